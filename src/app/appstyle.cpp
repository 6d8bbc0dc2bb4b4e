#include "app/appstyle.h"

#include <QFont>

static void InitQuillmereResources()
{
    Q_INIT_RESOURCE(quillmere);
}

namespace quill {

void InitProgramResources()
{
    InitQuillmereResources();
    // The layouts name the classic dialog face; Liberation Sans stands in for it here.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
}

} // namespace quill
