#pragma once

// Fonts of the self-drawn controls: through the shared font cache when
// explicit fonts are on, else the application's font at the asked size.

#include <QFont>
#include <QString>

#include <cstdint>

class QWidget;

// The font a control draws its text with; also given to the widget.
QFont ControlFont(QWidget* w, float size, bool bold, bool italic = false,
                  const QString& face = QString());

// Index of the cache entry for size, bold, italic and face (found or made).
int32_t CachedFontIndex(float size, bool bold, bool italic, const QString& face);
// The font of a cache entry; the application font for a missing one.
QFont CachedFont(int32_t index);
