#pragma once

// How the rich-text control keeps what QTextFormat has no place for: the character
// attributes of the RTF font table, indents in twips as the document gives them, the
// alignment that a switched-off advanced typography shows differently, and pictures.

#include <QBrush>
#include <QTextFormat>

namespace quill::richtext {

enum Property {
    // Character formats.
    FaceNameProperty = QTextFormat::UserProperty + 1, // QString: the face as written, at most 31 characters
    CharsetProperty,                                  // int: \fcharset
    PitchProperty,                                    // int: 0 default, 1 fixed, 2 variable
    FontFamilyClassProperty,                          // int: rtf::FontFamily

    // Block formats: indents in twips, as read and written (the margins Qt lays out with
    // are derived from them).
    FirstIndentProperty,
    LeftIndentProperty,
    RightIndentProperty,
    // int: rtf::Alignment, present only while the block is shown with another alignment
    // than it has (justified paragraphs without advanced typography).
    LogicalAlignmentProperty,

    // Pictures, on the character format of their object replacement character.
    PictureKindProperty,    // int: PictureKind
    PictureDataProperty,    // QByteArray: the picture's bytes as stored
    PictureIdProperty,      // qlonglong: identifies decoded bitmaps in the cache
    PictureWidthProperty,   // int: \picw
    PictureHeightProperty,  // int: \pich
    PictureGoalWidthProperty,
    PictureGoalHeightProperty,
    PictureScaleXProperty,
    PictureScaleYProperty,
    PictureMappingProperty, // int: N of \wmetafileN
};

constexpr int PictureObjectType = QTextFormat::UserObject + 1;

// Document units are pixels at 96 per inch: 15 twips each.
constexpr double kTwipsPerUnit = 15.0;

// Whether a colour is set (a brush that paints); without one the colour is automatic.
inline bool HasBrush(const QTextFormat& format, int property)
{
    return format.hasProperty(property) && format.brushProperty(property).style() != Qt::NoBrush;
}

} // namespace quill::richtext
