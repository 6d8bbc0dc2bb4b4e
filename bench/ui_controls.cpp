// What the styled controls cost on the user-interface thread: a repaint of the main
// window's gradient header, a rebuild of a large antialiased panel, a full button fade.
// Each comes with the plain bitmap work it cannot go below, measured in the same run.
#include "ui/bitmaps.h"
#include "ui/rbbutton.h"
#include "ui/rbpanel.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QPainter>
#include <QTimerEvent>

#include <benchmark/benchmark.h>

using namespace quill;

namespace {

std::unique_ptr<TRbPanel> HeaderPanel()
{
    auto panel = std::make_unique<TRbPanel>();
    panel->BeginLoad();
    panel->resize(770, 45);
    panel->SetAntialiased(false);
    panel->SetGradient(true);
    panel->SetGradientType(gtDoubleVert);
    panel->SetDefaultFrom(RGBColor(16, 132, 208));
    panel->SetDefaultTo(RGBColor(113, 184, 255));
    panel->SetBorderWidth(1);
    panel->SetCornerWidth(0);
    panel->SetCaptionPosition(cpMiddleCenter);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(29);
    font.setBold(true);
    panel->setFont(font);
    panel->SetFontColor(clWhite);
    panel->SetTextShadow(false);
    panel->SetCaption(QStringLiteral("10 December 2026"));
    panel->EndLoad();
    return panel;
}

void HeaderPanelRepaint(benchmark::State& state)
{
    auto panel = HeaderPanel();
    for (auto _ : state)
        benchmark::DoNotOptimize(panel->RenderImage());
}
BENCHMARK(HeaderPanelRepaint)->Unit(benchmark::kMicrosecond);

// Baseline: copying a 770 x 45 picture onto a fresh bitmap, no caption.
void HeaderPanelRepaintBaselineCopy(benchmark::State& state)
{
    const QImage picture = NewBitmap(770, 45);
    for (auto _ : state) {
        QImage canvas = NewBitmap(770, 45);
        QPainter painter(&canvas);
        painter.drawImage(0, 0, picture);
        painter.end();
        benchmark::DoNotOptimize(canvas);
    }
}
BENCHMARK(HeaderPanelRepaintBaselineCopy)->Unit(benchmark::kMicrosecond);

void AntialiasedPanelRebuild(benchmark::State& state)
{
    TRbPanel panel;
    panel.BeginLoad();
    panel.resize(700, 500);
    panel.SetCornerWidth(25);
    panel.SetBorderWidth(7);
    panel.SetBorderColor(clSilver);
    panel.SetOuterColor(clSilver);
    panel.SetColor(clWhite);
    panel.EndLoad();
    for (auto _ : state) {
        panel.RebuildPicture();
        benchmark::DoNotOptimize(panel.Picture());
    }
}
BENCHMARK(AntialiasedPanelRebuild)->Unit(benchmark::kMillisecond);

// Baseline: making and filling the triple-size working bitmap once.
void AntialiasedPanelRebuildBaselineFill(benchmark::State& state)
{
    for (auto _ : state) {
        QImage large = NewBitmap(2100, 1500);
        FillBitmap(large, large.rect(), clSilver);
        benchmark::DoNotOptimize(large);
    }
}
BENCHMARK(AntialiasedPanelRebuildBaselineFill)->Unit(benchmark::kMillisecond);

// Pointer in, ten ticks with a repaint each; pointer out, ten ticks back.
void ButtonFullFade(benchmark::State& state)
{
    TRbButton button;
    button.resize(81, 33);
    button.SetCaption(QStringLiteral("Search"));
    auto fade = [&] {
        for (int i = 0; i < 12 && button.FadeTimerActive(); ++i) {
            QTimerEvent tick(button.FadeTimerId());
            QCoreApplication::sendEvent(&button, &tick);
            benchmark::DoNotOptimize(button.RenderImage());
        }
    };
    for (auto _ : state) {
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(&button, &enter);
        fade();
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&button, &leave);
        fade();
    }
}
BENCHMARK(ButtonFullFade)->Unit(benchmark::kMicrosecond);

// Baseline: what one fade would cost if each of its 20 frames recomputed the three
// gradients of an 81 x 33 button.
void ButtonFadeBaselineGradients(benchmark::State& state)
{
    QImage pictures[3] = {NewBitmap(81, 33), NewBitmap(81, 33), NewBitmap(81, 33)};
    for (auto _ : state) {
        for (int frame = 0; frame < 20; ++frame)
            for (QImage& picture : pictures)
                PaintGradient(picture, picture.rect(), clWhite, nullptr, gtVertical, 0x00D1BEAF);
        benchmark::DoNotOptimize(pictures);
    }
}
BENCHMARK(ButtonFadeBaselineGradients)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
