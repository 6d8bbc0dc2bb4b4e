#include "search/tfrmdbsearch.h"

namespace quill {

TfrmDBSearch* frmDBSearch = nullptr;

TfrmDBSearch::TfrmDBSearch(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Full Database Text Search"));
    resize(300, 440);
}

TfrmDBSearch::~TfrmDBSearch()
{
    if (frmDBSearch == this)
        frmDBSearch = nullptr;
}

} // namespace quill
