// Quillmere: a diary with one rich-text entry for each day.
#include "app/application.h"
#include "app/program.h"
#include "app/tfrmmain.h"

int main(int argc, char** argv)
{
    quill::QuillmereApplication app(argc, argv);
    quill::Program program;
    if (program.AlreadyOpen())
        return 0;
    app.OnTermination([] {
        if (quill::frmMain && !quill::frmMain->Closed())
            quill::frmMain->close();
    });
    return program.Finish(program.Run());
}
