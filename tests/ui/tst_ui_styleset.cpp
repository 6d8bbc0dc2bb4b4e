// Colour sets, the style manager and the control base's event and fade handling.
#include "ui/rbbutton.h"
#include "ui/rbstylemanager.h"
#include "uitesting.h"

#include <QMouseEvent>
#include <QtTest>
#include <stdexcept>

using namespace quill;
using namespace quill::testing;

namespace {

// A control that records the operations the base runs, and can fail its fade step.
class Probe : public TRbCustomControl {
public:
    using TRbCustomControl::TRbCustomControl;
    QStringList calls;
    int rebuilds = 0;
    int repaints = 0;
    bool failStep = false;
    TRbControlColors colors{this};

    void Fade(bool in, bool hot, bool pressed)
    {
        SetHot(hot);
        SetPressed(pressed);
        SetFadeStep(in ? &Probe::FadeInStep : &Probe::FadeOutStep);
        StartFadeTimer();
    }
    void FailingFade()
    {
        SetFadeStep(static_cast<FadeStepFunction>(&Probe::Explode));
        StartFadeTimer();
    }
    void Explode() { throw std::runtime_error("fade failed"); }

protected:
    void ColorsChanged() override { ++rebuilds; }
    void EnabledChanged() override { calls << "EnabledChanged"; }
    void LeftButtonDown() override { calls << "LeftButtonDown"; }
    void LeftButtonUp() override { calls << "LeftButtonUp"; }
    void MouseEntered() override { calls << "MouseEntered"; TRbCustomControl::MouseEntered(); }
    void MouseLeft() override { calls << "MouseLeft"; TRbCustomControl::MouseLeft(); }
    void Resized() override { calls << "Resized"; }
    void TextChanged() override { calls << "TextChanged"; }
    void Click() override { calls << "Click"; TRbCustomControl::Click(); }
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::UpdateRequest || e->type() == QEvent::Paint)
            ++repaints;
        return TRbCustomControl::event(e);
    }
};

} // namespace

class TestStyleSet : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaults();
    void onlyRealChangesAreReported();
    void hotTrackAndTextShadowOnlyRepaint();
    void assignCopiesWithoutReporting();
    void styleManagerLinks();
    void styleManagerAssignCopiesEverything();
    void eventsMapToOperationsInOrder();
    void fadeIntervals_data();
    void fadeIntervals();
    void fadeInTakesTenTicks();
    void pressAndReleaseTakeOneTickEach();
    void fadeOutReversesFromTheLevelReached();
    void failingFadeStepIsSwallowed();
    void doubleClickArrivesAsTwoClicks();
    void parentColourIsFollowed();
};

void TestStyleSet::defaults()
{
    TRbControlColors colors;
    QCOMPARE(colors.DefaultFrom(), clWhite);
    QCOMPARE(colors.DefaultTo(), TColor(13745839));
    QCOMPARE(colors.OverFrom(), clWhite);
    QCOMPARE(colors.OverTo(), TColor(12489846));
    QCOMPARE(colors.ClickedFrom(), TColor(13029334));
    QCOMPARE(colors.ClickedTo(), TColor(15463415));
    QCOMPARE(colors.HotTrack(), clBlue);
    QCOMPARE(colors.BorderColor(), TColor(8421504));
    QCOMPARE(colors.TextShadow(), clWhite);
    TRbSplitterColors splitter;
    QCOMPARE(splitter.DefaultFrom(), clBtnFace);
    QCOMPARE(splitter.DefaultTo(), clBtnFace);
    QCOMPARE(splitter.OverTo(), TColor(0x00BE9476));
    TRbStyleManager manager;
    QCOMPARE(manager.CheckColor(), clGreen);
    QCOMPARE(manager.PanelColor(), TColor(14933983));
    QCOMPARE(manager.FadeSpeed(), fsMedium);
    QVERIFY(manager.ShowFocusRect() && !manager.HotTrack() && manager.GradientBorder() && manager.TextShadow());
}

void TestStyleSet::onlyRealChangesAreReported()
{
    Probe probe;
    TRbControlColors& colors = probe.colors;
    colors.SetDefaultFrom(clWhite);
    colors.SetBorderColor(clGray);
    QCOMPARE(probe.rebuilds, 0);
    colors.SetDefaultFrom(clRed);
    colors.SetDefaultTo(clRed);
    colors.SetOverFrom(clRed);
    colors.SetOverTo(clRed);
    colors.SetClickedFrom(clRed);
    colors.SetClickedTo(clRed);
    colors.SetBorderColor(clRed);
    QCOMPARE(probe.rebuilds, 7);
    colors.SetClickedTo(clRed);
    QCOMPARE(probe.rebuilds, 7);
    int splitterRebuilds = 0;
    TRbSplitterColors splitter([&] { ++splitterRebuilds; });
    splitter.SetOverTo(0x00BE9476);
    splitter.SetOverTo(clRed);
    QCOMPARE(splitterRebuilds, 1);
}

void TestStyleSet::hotTrackAndTextShadowOnlyRepaint()
{
    Probe probe;
    probe.show();
    QVERIFY(QTest::qWaitForWindowExposed(&probe));
    QCoreApplication::processEvents();
    probe.repaints = 0;
    probe.colors.SetHotTrack(clRed);
    probe.colors.SetTextShadow(clBlack);
    QCOMPARE(probe.rebuilds, 0);
    QCoreApplication::sendPostedEvents();
    QVERIFY(probe.repaints > 0);
    const int repaints = probe.repaints;
    probe.colors.SetHotTrack(clRed);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(probe.repaints, repaints);
}

void TestStyleSet::assignCopiesWithoutReporting()
{
    Probe probe;
    TRbControlColors source;
    source.SetDefaultFrom(1);
    source.SetDefaultTo(2);
    source.SetOverFrom(3);
    source.SetOverTo(4);
    source.SetClickedFrom(5);
    source.SetClickedTo(6);
    source.SetHotTrack(7);
    source.SetBorderColor(8);
    source.SetTextShadow(9);
    probe.colors.Assign(source);
    QCOMPARE(probe.rebuilds, 0);
    QCOMPARE(probe.colors.DefaultFrom(), TColor(1));
    QCOMPARE(probe.colors.OverTo(), TColor(4));
    QCOMPARE(probe.colors.ClickedTo(), TColor(6));
    QCOMPARE(probe.colors.TextShadow(), TColor(9));

    // Between different kinds of set only the four base colours travel.
    TRbSplitterColors splitter;
    splitter.Assign(source);
    QCOMPARE(splitter.OverTo(), TColor(4));
    TRbControlColors fromSplitter;
    fromSplitter.Assign(TRbSplitterColors());
    QCOMPARE(fromSplitter.DefaultFrom(), clBtnFace);
    QCOMPARE(fromSplitter.ClickedFrom(), TColor(13029334));

    // A button given a whole colour set redraws its gradients with it.
    TRbButton button;
    button.SetColors(source);
    QCOMPARE(PixelAt(button.DefaultPicture(), 0, 0), TColor(1));
}

void TestStyleSet::styleManagerLinks()
{
    auto manager = std::make_unique<TRbStyleManager>();
    auto first = std::make_unique<Probe>();
    Probe second;
    first->SetRbStyleManager(manager.get());
    first->SetRbStyleManager(manager.get());
    manager->LinkControl(first.get());
    second.SetRbStyleManager(manager.get());
    QCOMPARE(manager->LinkedControls().size(), 2);
    first.reset();
    QCOMPARE(manager->LinkedControls(), QList<TRbCustomControl*>{&second});

    TRbStyleManager other;
    second.SetRbStyleManager(&other);
    QVERIFY(manager->LinkedControls().isEmpty());
    QCOMPARE(other.LinkedControls(), QList<TRbCustomControl*>{&second});
    second.SetRbStyleManager(manager.get());
    manager.reset();
    QCOMPARE(second.RbStyleManager(), nullptr);
}

void TestStyleSet::styleManagerAssignCopiesEverything()
{
    TRbStyleManager source;
    source.Colors().SetClickedTo(11);
    source.Colors().SetTextShadow(12);
    source.SplitterColors().SetOverFrom(13);
    source.SetShowFocusRect(false);
    source.SetHotTrack(true);
    source.SetGradientBorder(false);
    source.SetTextShadow(false);
    source.SetCheckColor(14);
    source.SetFadeSpeed(fsVeryFast);
    source.SetPanelColor(15);
    source.SetBorderColor(16);
    QFont font(QStringLiteral("Liberation Serif"));
    font.setPixelSize(21);
    source.SetFont(font);
    Probe linked;
    linked.SetRbStyleManager(&source);

    TRbStyleManager target;
    target.Assign(source);
    QCOMPARE(target.Colors().ClickedTo(), TColor(11));
    QCOMPARE(target.Colors().TextShadow(), TColor(12));
    QCOMPARE(target.SplitterColors().OverFrom(), TColor(13));
    QVERIFY(!target.ShowFocusRect() && target.HotTrack() && !target.GradientBorder() && !target.TextShadow());
    QCOMPARE(target.CheckColor(), TColor(14));
    QCOMPARE(target.FadeSpeed(), fsVeryFast);
    QCOMPARE(target.PanelColor(), TColor(15));
    QCOMPARE(target.BorderColor(), TColor(16));
    QCOMPARE(target.Font(), font);
    QVERIFY(target.LinkedControls().isEmpty());
}

void TestStyleSet::eventsMapToOperationsInOrder()
{
    Probe probe;
    probe.resize(50, 20);
    connect(&probe, &TRbCustomControl::OnMouseDown, [&] { probe.calls << "OnMouseDown"; });
    connect(&probe, &TRbCustomControl::OnMouseUp, [&] { probe.calls << "OnMouseUp"; });
    connect(&probe, &TRbCustomControl::OnMouseEnter, [&] { probe.calls << "OnMouseEnter"; });
    connect(&probe, &TRbCustomControl::OnMouseLeave, [&] { probe.calls << "OnMouseLeave"; });
    Enter(&probe);
    QTest::mousePress(&probe, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&probe, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mousePress(&probe, Qt::RightButton, {}, QPoint(5, 5));
    Leave(&probe);
    probe.SetCaption(QStringLiteral("x"));
    probe.SetCaption(QStringLiteral("x"));
    probe.setEnabled(false);
    QCOMPARE(probe.calls, (QStringList{"MouseEntered", "OnMouseEnter", "OnMouseDown", "LeftButtonDown", "Click",
                                       "OnMouseUp", "LeftButtonUp", "OnMouseDown", "MouseLeft", "OnMouseLeave",
                                       "TextChanged", "EnabledChanged"}));
    // A release away from the control is no click.
    probe.setEnabled(true);
    probe.calls.clear();
    QTest::mousePress(&probe, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&probe, Qt::LeftButton, {}, QPoint(80, 5));
    QVERIFY(!probe.calls.contains("Click"));
}

void TestStyleSet::fadeIntervals_data()
{
    QTest::addColumn<TFadeSpeed>("speed");
    QTest::addColumn<int>("interval");
    QTest::newRow("slow") << fsSlow << 40;
    QTest::newRow("medium") << fsMedium << 20;
    QTest::newRow("fast") << fsFast << 12;
    QTest::newRow("very fast") << fsVeryFast << 8;
}

void TestStyleSet::fadeIntervals()
{
    QFETCH(TFadeSpeed, speed);
    QFETCH(int, interval);
    Probe probe;
    probe.SetFadeSpeed(speed);
    probe.Fade(true, true, false);
    QVERIFY(probe.FadeTimerActive());
    QCOMPARE(probe.FadeTimerInterval(), interval);
}

void TestStyleSet::fadeInTakesTenTicks()
{
    Probe probe;
    probe.Fade(true, true, false);
    for (int tick = 1; tick <= 10; ++tick) {
        Tick(&probe, probe.FadeTimerId());
        QCOMPARE(probe.HotLevel(), 10 * tick);
        QCOMPARE(probe.FadeTimerActive(), tick < 10);
    }
}

void TestStyleSet::pressAndReleaseTakeOneTickEach()
{
    Probe probe;
    probe.Fade(true, true, false);
    for (int tick = 0; tick < 10; ++tick)
        Tick(&probe, probe.FadeTimerId());
    probe.Fade(true, true, true);
    Tick(&probe, probe.FadeTimerId());
    QCOMPARE(probe.PressLevel(), 100);
    QCOMPARE(probe.HotLevel(), 100);
    Tick(&probe, probe.FadeTimerId());
    QVERIFY(!probe.FadeTimerActive());
    probe.Fade(true, true, false);
    Tick(&probe, probe.FadeTimerId());
    QCOMPARE(probe.PressLevel(), 0);
    QCOMPARE(probe.HotLevel(), 100);
    QVERIFY(!probe.FadeTimerActive());
}

void TestStyleSet::fadeOutReversesFromTheLevelReached()
{
    Probe probe;
    probe.Fade(true, true, false);
    for (int tick = 0; tick < 4; ++tick)
        Tick(&probe, probe.FadeTimerId());
    QCOMPARE(probe.HotLevel(), 40);
    probe.Fade(false, false, false);
    QList<int> levels;
    while (probe.FadeTimerActive()) {
        Tick(&probe, probe.FadeTimerId());
        levels << probe.HotLevel();
    }
    QCOMPARE(levels, (QList<int>{30, 20, 10, 0, 0}));
}

void TestStyleSet::failingFadeStepIsSwallowed()
{
    Probe probe;
    probe.FailingFade();
    Tick(&probe, probe.FadeTimerId());
    QVERIFY(probe.FadeTimerActive());
}

void TestStyleSet::doubleClickArrivesAsTwoClicks()
{
    Probe probe;
    probe.resize(40, 20);
    // What a double click delivers: press, release, double click, release.
    QTest::mousePress(&probe, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseRelease(&probe, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseDClick(&probe, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseRelease(&probe, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(probe.calls.count("Click"), 2);
}

void TestStyleSet::parentColourIsFollowed()
{
    Probe parent;
    parent.SetColor(clRed);
    Probe child(&parent);
    QCOMPARE(child.Color(), clRed);
    QVERIFY(child.ParentColor());
    parent.SetColor(clBlue);
    QCOMPARE(child.Color(), clBlue);
    child.SetColor(clGreen);
    QVERIFY(!child.ParentColor());
    parent.SetColor(clWhite);
    QCOMPARE(child.Color(), clGreen);
    child.SetParentColor(true);
    QCOMPARE(child.Color(), clWhite);
    // Font colour comes from the styled parent until set.
    parent.SetFontColor(0x00CE0000);
    QCOMPARE(child.FontColor(), TColor(0x00CE0000));
    Probe orphan;
    QCOMPARE(orphan.FontColor(), clWindowText);
}

QTEST_MAIN(TestStyleSet)
#include "tst_ui_styleset.moc"
