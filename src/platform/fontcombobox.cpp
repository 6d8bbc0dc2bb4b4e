#include "platform/fontcombobox.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>
#include <QStyledItemDelegate>

namespace quill {

namespace {

// Shows each face's name in that face.
class FaceDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem own = option;
        initStyleOption(&own, index);
        own.font.setFamily(index.data(Qt::DisplayRole).toString());
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(option.rect, option.palette.color(selected ? QPalette::Highlight : QPalette::Base));
        painter->setFont(own.font);
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(option.rect.adjusted(3, 0, -3, 0), Qt::AlignVCenter | Qt::AlignLeft, own.text);
    }
};

// The installed faces by the names entries use: a face that several foundries make is
// listed once, without the foundry Qt adds to tell them apart ("D050000L [urw]"), and the
// faces that journals name most often are offered under their own names where a metric
// stand-in is installed.
QString WithoutFoundry(QString face)
{
    const qsizetype foundry = face.indexOf(QLatin1String(" ["));
    if (foundry > 0 && face.endsWith(u']'))
        face.truncate(foundry);
    return face;
}

QStringList Faces()
{
    QStringList faces;
    for (const QString& family : QFontDatabase::families()) {
        const QString face = WithoutFoundry(family);
        if (!faces.contains(face, Qt::CaseInsensitive))
            faces << face;
    }
    const std::pair<const char*, const char*> standIns[] = {
        {"Arial", "Liberation"}, {"Times New Roman", "Liberation"}, {"Courier New", "Liberation"},
        {"Symbol", "Standard Symbols"}};
    for (const auto& [name, family] : standIns) {
        const QString face = QString::fromLatin1(name);
        if (faces.contains(face, Qt::CaseInsensitive))
            continue;
        const QString standIn = WithoutFoundry(QFontInfo(QFont(face)).family());
        if (standIn.startsWith(QLatin1String(family)) && faces.contains(standIn, Qt::CaseInsensitive))
            faces << face;
    }
    faces.sort(Qt::CaseInsensitive);
    return faces;
}

} // namespace

TFontComboBox::TFontComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    setItemDelegate(new FaceDelegate(this));
    addItems(Faces());
    setCurrentIndex(-1);
}

QString TFontComboBox::SelectedFace() const
{
    return currentIndex() < 0 ? QString() : currentText();
}

void TFontComboBox::SelectFace(const QString& face)
{
    setCurrentIndex(findText(face, Qt::MatchFixedString));
}

} // namespace quill
