#pragma once
// The rich-text model in and out of QTextDocument: the reading rule of the
// rich-text views, and their RTF and plain-text writers.
#include "RichText.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QTextFormat>

#include <cstddef>

class QTextDocument;

namespace kodrix {

// Image formats made from a document's pictures carry the picture's file
// bytes (QByteArray), so that writing gives back the same PNG or JPEG data.
inline constexpr int kPictureBytesProperty = QTextFormat::UserProperty + 1;

// Limits that keep any document quick to lay out and to paint (Qt lays out a
// block, and a table, whole; every new font face costs the font system a
// search): a paragraph goes on in a new block past kMaxBlockLength
// characters (at a blank near the limit, else at it) and past kMaxLineBreaks
// line breaks; the first kMaxFontFaces distinct faces and kMaxFontSizes
// distinct sizes are applied, text in further ones takes the view's; a table
// is drawn as one table per kMaxTableRows rows, with at most
// kMaxTableColumns columns; a picture is shown at most kMaxPictureSide
// pixels either way and kMaxPicturePixels in all (smaller in proportion).
inline constexpr int kMaxBlockLength = 4096;
inline constexpr int kMaxLineBreaks = 100;
inline constexpr std::size_t kMaxFontFaces = 32;
inline constexpr std::size_t kMaxFontSizes = 32;
inline constexpr int kMaxTableRows = 200;
inline constexpr std::size_t kMaxTableColumns = 64;
inline constexpr int kMaxPictureSide = 16384;
inline constexpr qint64 kMaxPicturePixels = 4'000'000;

// Replaces the document's content with the model. Its text is drawn as the
// model has it: bold, italic, underline and strike-out are set on all of it
// (off where the model leaves them unset), so the document's default font
// (the view's) gives only the face and size the model names none for.
// Tables are drawn as tables (columns at the cells' edges, borders, shading
// and padding as the cells have them), paragraphs with their indents and tab
// stops, the default tab stops at the model's width. A picture is shown at
// its goal size (96 pixels per inch), else at its natural size, scaled by its
// percentages, within the limits above; pictures that Qt cannot read (their
// header names no size) are left out. Indents and spacing are held within 0
// to 1500 pixels (the first-line indent within ±1500).
void fillTextDocument(QTextDocument& document, const rtf::Document& model);
// The same, giving up the model's text and pictures as they go into the
// document (so the two are never held whole at once).
void fillTextDocument(QTextDocument& document, rtf::Document&& model);

// The model of a document's content: the fonts and colours it uses, its
// paragraphs, runs and pictures (pictures that were not read from a document
// are written as PNG). Styles the text leaves unset are taken from the
// document's default font, as the text is shown. What the view added to the
// document for its own sake (the blocks that go on with a long paragraph,
// the blocks and cells around tables, tab stops RTF implies) is left out.
rtf::Document modelOfTextDocument(const QTextDocument& document);

// The reading rule: RTF, else plain 16-bit Unicode text, replacing the
// document's content. When both readers fail, throws
// kodrix::Error(messages::failedToLoadStream()) and leaves the document as it was.
void loadDocument(QTextDocument& document, QByteArrayView bytes);

// The document as RTF (code page 1251) and as plain text (code page 1251, CR LF).
QByteArray rtfOfDocument(const QTextDocument& document);
QByteArray plainTextOfDocument(const QTextDocument& document);

}  // namespace kodrix
