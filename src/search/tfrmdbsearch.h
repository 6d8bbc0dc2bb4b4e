#pragma once

#include <QWidget>

namespace quill {

// The full-text search window, shown beside the main window without being modal. It is
// created at start with the other windows; the search itself comes with the search feature.
class TfrmDBSearch : public QWidget {
    Q_OBJECT

public:
    explicit TfrmDBSearch(QWidget* parent = nullptr);
    ~TfrmDBSearch() override;
};

extern TfrmDBSearch* frmDBSearch;

} // namespace quill
