// The main window's layout: panels, toolbar, bottom bar, resize rule and popup menu.
#include "app_fixture.h"

#include "app/appstyle.h"
#include "search/tfrmdbsearch.h"

#include <QtTest>

using namespace quill;
using namespace quill::testing;

class TestMainWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        run_ = std::make_unique<ProgramRun>();
        run_->start();
    }
    void cleanup()
    {
        run_->finish();
        run_.reset();
    }

    void startsAt770By565()
    {
        QCOMPARE(frmMain->frameGeometry().size(), QSize(770, 565));
        QCOMPARE(frmMain->ToolBar1->x(), 63);
        QCOMPARE(frmMain->btnHeaderFont->x(), 720);
        QCOMPARE(frmMain->btnExit->x(), 670);
    }

    void windowsAndCaptions()
    {
        QCOMPARE(frmMain->windowTitle(), QString("Quillmere"));
        QCOMPARE(frmLogin->windowTitle(), QString("Login Window"));
        QCOMPARE(frmCalendar->windowTitle(), QString("Calendar"));
        QCOMPARE(frmSettings->windowTitle(), QString("Edit Password"));
        QCOMPARE(frmDBSearch->windowTitle(), QString("Full Database Text Search"));
        QCOMPARE(frmLogin->size(), QSize(250, 138));
        QCOMPARE(frmSettings->size(), QSize(231, 405));
        QCOMPARE(frmCalendar->size(), QSize(280, 274));
        QCOMPARE(frmMain->OpenDialog1.title, QString("Import Document"));
        QCOMPARE(frmMain->OpenPictureDialog1.filters.size(), 7);
    }

    void tabOrders()
    {
        auto order = [](QWidget* first, int count) {
            QList<QWidget*> chain{first};
            for (QWidget* w = first->nextInFocusChain(); chain.size() < count; w = w->nextInFocusChain())
                if ((w->focusPolicy() & Qt::TabFocus) && !qobject_cast<QAbstractSpinBox*>(w->parentWidget()))
                    chain << w; // a spin box's own text field is part of the spin box
            return chain;
        };
        QCOMPARE(order(frmLogin->btnLogin, 3), (QList<QWidget*>{frmLogin->btnLogin, frmLogin->btnExit, frmLogin->edtPassword}));
        QCOMPARE(order(frmSettings->DBEdit1, 7),
                 (QList<QWidget*>{frmSettings->DBEdit1, frmSettings->FontComboBox1, frmSettings->SpinEdit1, frmSettings->btnSave,
                                  frmSettings->btnCancel, frmSettings->chkSkip, frmSettings->ColorBox1}));
    }

    void resizeKeepsTheToolbarCentred_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("toolbar");
        QTest::addColumn<int>("headerFont");
        QTest::addColumn<int>("exit");
        QTest::newRow("770") << 770 << 63 << 720 << 670;
        QTest::newRow("1000") << 1000 << 178 << 950 << 900;
        QTest::newRow("1001") << 1001 << 179 << 951 << 901;
        QTest::newRow("600, narrower than the toolbar") << 600 << -21 << 550 << 500;
    }
    void resizeKeepsTheToolbarCentred()
    {
        QFETCH(int, width);
        QFETCH(int, toolbar);
        QFETCH(int, headerFont);
        QFETCH(int, exit);
        // The rule works on the window's outer width, frame included.
        const int frame = frmMain->frameGeometry().width() - frmMain->width();
        frmMain->resize(width - frame, 565);
        QCOMPARE(frmMain->frameGeometry().width(), width);
        QCOMPARE(frmMain->ToolBar1->x(), toolbar);
        QCOMPARE(frmMain->btnHeaderFont->x(), headerFont);
        QCOMPARE(frmMain->btnExit->x(), exit);
        QCOMPARE(frmMain->btnPrevious->x(), 19);
        QCOMPARE(frmMain->btnCalendar->x(), 395);
        QCOMPARE(frmMain->RbPanel3->geometry(), QRect(0, 520, width - frame, 45));
        QCOMPARE(frmMain->Editor->geometry(), QRect(8, 8, width - frame - 16, 565 - 89 - 45 - 16));
    }

    void toolbarButtons_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("x");
        QTest::addColumn<QString>("hint");
        QTest::newRow("import") << "btnNoteBookOpen" << 0 << "Import...";
        QTest::newRow("bold") << "btnBold" << 77 << "Bold";
        QTest::newRow("justify") << "btnJustify" << 223 << "";
        QTest::newRow("search") << "btnDBSearch" << 354 << "Full Database Text Search...";
        QTest::newRow("link") << "btnInsertLink" << 608 << "Insert Link...";
    }
    void toolbarButtons()
    {
        QFETCH(QString, name);
        QFETCH(int, x);
        QFETCH(QString, hint);
        const std::map<QString, QToolButton*> buttons = {
            {"btnNoteBookOpen", frmMain->btnNoteBookOpen}, {"btnBold", frmMain->btnBold},
            {"btnJustify", frmMain->btnJustify}, {"btnDBSearch", frmMain->btnDBSearch},
            {"btnInsertLink", frmMain->btnInsertLink}};
        QToolButton* b = buttons.at(name);
        QCOMPARE(b->geometry(), QRect(x, 0, 23, 23));
        QCOMPARE(b->toolTip(), hint);
        QVERIFY(!b->icon().isNull());
    }

    void popupMenuOpensOnTheRightButtonOnly()
    {
        QTest::mouseClick(frmMain->Editor->viewport(), Qt::LeftButton, {}, QPoint(40, 20));
        QVERIFY(!frmMain->PopupMenu1->isVisible());
        QTest::mousePress(frmMain->Editor->viewport(), Qt::RightButton, {}, QPoint(40, 20));
        QTRY_VERIFY(frmMain->PopupMenu1->isVisible());
        QCOMPARE(frmMain->PopupMenu1->pos(), frmMain->Editor->viewport()->mapToGlobal(QPoint(40, 20)));
        frmMain->PopupMenu1->close();
        QTest::mouseRelease(frmMain->Editor->viewport(), Qt::RightButton, {}, QPoint(40, 20));
    }

    void popupMenuItems()
    {
        QStringList captions;
        for (QAction* a : frmMain->PopupMenu1->actions())
            captions << (a->isSeparator() ? "-" + TStyledMenu::ItemInfo(a).Hint : a->text());
        QCOMPARE(captions, (QStringList{"Cut", "Copy", "Paste", "-Text Selection", "Select All", "-Text Deletion",
                                        "Clear Selection", "Clear All", "-Text Formatting", "Formatting"}));
        QCOMPARE(frmMain->ClearSelection1->shortcut(), QKeySequence("Ctrl+D"));
        QCOMPARE(frmMain->Bold1->shortcut(), QKeySequence("Ctrl+B"));
        QCOMPARE(TStyledMenu::ItemInfo(frmMain->ClearAll1).ImageIndex, 19);
        QCOMPARE(frmMain->ImageList1.Count(), 32);
    }

    void searchWindowIsNotModal()
    {
        QTest::mouseClick(frmMain->btnDBSearch, Qt::LeftButton);
        QVERIFY(frmDBSearch->isVisible());
        QVERIFY(!frmDBSearch->isModal());
        QVERIFY(frmDBSearch->windowFlags() & Qt::WindowStaysOnTopHint);
        frmDBSearch->hide();
    }

private:
    std::unique_ptr<ProgramRun> run_;
};

QUILLMERE_APP_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
