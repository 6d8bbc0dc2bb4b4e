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

QStringList Faces()
{
    QStringList faces = QFontDatabase::families();
    for (const char* name : {"Arial", "Times New Roman", "Courier New"}) {
        const QString face = QString::fromLatin1(name);
        if (faces.contains(face, Qt::CaseInsensitive))
            continue;
        const QString standIn = QFontInfo(QFont(face)).family();
        if (standIn.startsWith(QLatin1String("Liberation")) && faces.contains(standIn))
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
