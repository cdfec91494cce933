// Pieces the window's pages share: the captioned group box, the tool bar strip
// at the top of the Buffer and Terminal pages and its glyph buttons.
#pragma once

#include <QStyle>

class QGroupBox;
class QHBoxLayout;
class QToolButton;
class QVBoxLayout;
class QWidget;

// A group box; its caption carries two blanks on each side.
QGroupBox* Group(const char* caption, QWidget* parent);
// A flat 23 x 22 button showing one of the style's glyphs.
QToolButton* GlyphButton(QWidget* parent, const char* name, QStyle::StandardPixmap glyph, const char* hint);
// A tool bar strip added at the top of `page`; returns the strip's row.
QHBoxLayout* ToolBar(QVBoxLayout* page, QWidget* parent);
