#pragma once
// The rich-text model in and out of QTextDocument: the reading rule of the
// rich-text views, and their RTF and plain-text writers.
#include "RichText.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QTextFormat>

class QTextDocument;

namespace kodrix {

// Image formats made from a document's pictures carry the picture's file
// bytes (QByteArray), so that writing gives back the same PNG or JPEG data.
inline constexpr int kPictureBytesProperty = QTextFormat::UserProperty + 1;

// Replaces the document's content with the model. Its text is drawn as the
// model has it: bold, italic, underline and strike-out are set on all of it
// (off where the model leaves them unset), so the document's default font
// (the view's) gives only the face and size the model names none for. Pictures that Qt cannot
// read (their header names no size) are left out; a picture is shown at its
// goal size (96 pixels per inch), else at its natural size, scaled by its
// percentages, and at most 16384 pixels either way. Indents and spacing are
// held within 0 to 1500 pixels (the first-line indent within ±1500).
void fillTextDocument(QTextDocument& document, const rtf::Document& model);

// The model of a document's content: the fonts and colours it uses, its
// paragraphs, runs and pictures (pictures that were not read from a document
// are written as PNG). Styles the text leaves unset are taken from the
// document's default font, as the text is shown.
rtf::Document modelOfTextDocument(const QTextDocument& document);

// The reading rule: RTF, else plain 16-bit Unicode text, replacing the
// document's content. When both readers fail, throws
// kodrix::Error(messages::failedToLoadStream()) and leaves the document as it was.
void loadDocument(QTextDocument& document, QByteArrayView bytes);

// The document as RTF (code page 1251) and as plain text (code page 1251, CR LF).
QByteArray rtfOfDocument(const QTextDocument& document);
QByteArray plainTextOfDocument(const QTextDocument& document);

}  // namespace kodrix
