// The named looks of the two style menus: each is a palette and a style sheet.
#pragma once

#include <QPalette>
#include <QString>
#include <QStringList>

namespace cvapp {

const QStringList& DarkStyleNames();
const QStringList& LightStyleNames();
// The look used before the user chose one.
inline QString DefaultDarkStyle() { return QStringLiteral("Charcoal Dark Slate"); }
inline QString DefaultLightStyle() { return QStringLiteral("Windows10"); }

bool IsKnownStyle(const QString& name);
QPalette StylePalette(const QString& name);
QString StyleSheet(const QString& name);
// Applies the style to the whole application; false (and nothing changes) for an unknown name.
bool ApplyStyle(const QString& name);
// The style applied last (empty before the first).
QString ActiveStyle();

}  // namespace cvapp
