#pragma once

// Fonts of the self-drawn controls: through the shared font cache when
// explicit fonts are on, else the application's font at the asked size.

#include <QFont>
#include <QString>

#include <cstdint>

class QWidget;

// The font a control draws its text with; also given to the widget.
QFont ControlFont(QWidget* pW, float pSize, bool pBold, bool pItalic = false,
                  const QString& pFace = QString());

// Index of the cache entry for size, bold, italic and face (found or made).
int32_t CachedFontIndex(float pSize, bool pBold, bool pItalic, const QString& pFace);
// The font of a cache entry; the application font for a missing one.
QFont CachedFont(int32_t pIndex);
