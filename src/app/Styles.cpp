#include "app/Styles.h"

#include <QApplication>
#include <QColor>
#include <QStyle>
#include <QStyleFactory>

namespace cvapp {

namespace {

struct StyleColours {
  const char* name;
  QRgb window;  // window and panel background
  QRgb accent;  // selection, highlight, slider
};

// Dark looks: a dark window colour and an accent.
const StyleColours kDark[] = {
    {"Amakrits", 0x2b2f36, 0xd9822b},          {"Aqua Graphite", 0x34383d, 0x38a3d1},
    {"Auric", 0x2e2a24, 0xd4a93a},             {"Carbon", 0x262626, 0x4a90d9},
    {"Charcoal Dark Slate", 0x2f3439, 0x5b9bd5}, {"Cobalt XEMedia", 0x1f2a3a, 0x3d7fe0},
    {"CopperDark", 0x2d2420, 0xc8763c},        {"Glossy 2", 0x303030, 0x6fa8dc},
    {"Glow", 0x22262b, 0x3fd0c9},              {"Golden Graphite", 0x33322e, 0xe0b43c},
    {"Jet", 0x1b1b1b, 0x8a8a8a},               {"Madison Dark", 0x2a2f3a, 0x7e9fd6},
    {"Material Black Pearl", 0x1e272e, 0x26a69a}, {"Material Oxford Blue", 0x263040, 0x42a5f5},
    {"Metropolis UI Black", 0x111111, 0x0f9fd8}, {"Metropolis UI Blue", 0x1c3a5e, 0x4fb3f6},
    {"Metropolis UI Dark", 0x242424, 0x2d89ef}, {"Metropolis UI Green", 0x1e3b26, 0x5bc26a},
    {"Obsidian", 0x23252b, 0x9b7bd8},          {"Onyx Blue", 0x22303c, 0x4aa3df},
    {"Ruby Graphite", 0x302a2c, 0xd04a5a},     {"Tablet Light", 0x3a3d42, 0x58a6ff},
    {"TabletDark", 0x26282b, 0x3b8eea},        {"Vapor", 0x2b2640, 0xe066c8},
    {"Windows10 BlackPearl", 0x1f2529, 0x0a84c4}, {"Windows10 Blue", 0x1d2f4a, 0x0078d7},
    {"Windows10 Dark", 0x202020, 0x0078d7},    {"Windows10 Green", 0x1e3324, 0x10893e},
    {"Windows10 OxfordBlue", 0x232c3d, 0x3a7bd5}, {"Windows10 Purple", 0x2c2238, 0x8764b8},
    {"Windows10 SlateGray", 0x2f363d, 0x6c8ebf},
};

// Light looks: a light window colour and an accent.
const StyleColours kLight[] = {
    {"Amethyst Kamri", 0xece6f2, 0x8e5fb5},    {"Aqua Light Slate 2", 0xe4ecf0, 0x2a9fd6},
    {"Clear Day", 0xeef4fa, 0x3c8ee8},         {"Copper", 0xf2e9e1, 0xb8642d},
    {"Coral", 0xf7ece8, 0xe0664f},             {"Cyan Dusk", 0xe3eef0, 0x1b9aaa},
    {"Cyan Night", 0xdde9ec, 0x137f8e},        {"Diamond", 0xf4f6f8, 0x5a8fd0},
    {"Emerald", 0xe6f2ea, 0x2e9e5b},           {"Emerald Light Slate", 0xe8efeb, 0x3f9f6f},
    {"Iceberg Classico", 0xe8f0f6, 0x4a86c5},  {"Lavender Classico", 0xeeeaf5, 0x7b68c8},
    {"Light", 0xf0f0f0, 0x3d7fd6},             {"Luna", 0xece9d8, 0x316ac5},
    {"Material Pattens Blue", 0xe3eef8, 0x1e88e5}, {"Material White Smoke", 0xf5f5f5, 0x607d8b},
    {"Material White Texture", 0xfafafa, 0x009688}, {"Radiant", 0xfdf6e8, 0xf0a020},
    {"Sapphire Kamri", 0xe6ebf5, 0x2a5db0},    {"Silver", 0xe6e6e6, 0x6b7b8c},
    {"Sky 2", 0xe9f3fb, 0x4da3e0},             {"Slate Classico", 0xe3e6e9, 0x5b7089},
    {"Smokey Quartz Kamri", 0xebe6e3, 0x8c6e5d}, {"Sterling", 0xeff1f3, 0x4c6e8f},
    {"Turquoise Gray", 0xe6eceb, 0x26a69a},    {"Wedgewood Light", 0xe7edf3, 0x5077a8},
    {"Windows", 0xf0f0f0, 0x0078d7},           {"Windows10", 0xf3f3f3, 0x0078d7},
    {"Windows10 Office Light", 0xf6f6f6, 0xb7472a}, {"Windows10 WhiteSmoke", 0xf5f5f5, 0x2b579a},
};

QStringList Names(const StyleColours* begin, const StyleColours* end) {
  QStringList out;
  for (const StyleColours* s = begin; s != end; ++s) out << QString::fromLatin1(s->name);
  return out;
}

const StyleColours* Find(const QString& name, bool* dark) {
  for (const StyleColours& s : kDark)
    if (name == QLatin1String(s.name)) {
      *dark = true;
      return &s;
    }
  for (const StyleColours& s : kLight)
    if (name == QLatin1String(s.name)) {
      *dark = false;
      return &s;
    }
  return nullptr;
}

QString activeStyle;

}  // namespace

const QStringList& DarkStyleNames() {
  static const QStringList names = Names(std::begin(kDark), std::end(kDark));
  return names;
}

const QStringList& LightStyleNames() {
  static const QStringList names = Names(std::begin(kLight), std::end(kLight));
  return names;
}

bool IsKnownStyle(const QString& name) {
  bool dark = false;
  return Find(name, &dark) != nullptr;
}

QPalette StylePalette(const QString& name) {
  bool dark = false;
  const StyleColours* s = Find(name, &dark);
  if (!s) return QPalette();
  const QColor window(s->window), accent(s->accent);
  const QColor base = dark ? window.darker(125) : QColor(Qt::white);
  const QColor text = dark ? QColor(0xe8, 0xe8, 0xe8) : QColor(0x1e, 0x1e, 0x1e);
  const QColor button = dark ? window.lighter(125) : window.darker(104);
  const QColor disabled = dark ? QColor(0x80, 0x80, 0x80) : QColor(0xa0, 0xa0, 0xa0);
  QPalette p;
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, base);
  p.setColor(QPalette::AlternateBase, dark ? base.lighter(115) : window);
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Button, button);
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::BrightText, Qt::red);
  p.setColor(QPalette::Highlight, accent);
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::ToolTipBase, dark ? window.lighter(150) : QColor(0xff, 0xff, 0xe1));
  p.setColor(QPalette::ToolTipText, text);
  p.setColor(QPalette::PlaceholderText, disabled);
  p.setColor(QPalette::Link, accent);
  p.setColor(QPalette::Light, button.lighter(130));
  p.setColor(QPalette::Midlight, button.lighter(115));
  p.setColor(QPalette::Mid, button.darker(130));
  p.setColor(QPalette::Dark, button.darker(160));
  p.setColor(QPalette::Shadow, Qt::black);
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    p.setColor(QPalette::Disabled, role, disabled);
  // The highlighted syllable stays visible while the view has no focus.
  p.setColor(QPalette::Inactive, QPalette::Highlight, accent);
  p.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::white);
  return p;
}

QString StyleSheet(const QString& name) {
  bool dark = false;
  const StyleColours* s = Find(name, &dark);
  if (!s) return {};
  const QColor window(s->window), accent(s->accent);
  const QColor strip = dark ? window.lighter(118) : window.darker(106);
  const QColor line = dark ? window.lighter(160) : window.darker(125);
  return QStringLiteral(
             "QFrame#PanelTop { background: %1; border-bottom: 1px solid %2; }"
             "QPushButton { min-width: 44px; padding: 3px 8px; }"
             "QLabel#L_SongPosition { font-weight: bold; min-width: 48px; }"
             "QLabel#L_LyricsOffset, QLabel#L_Volume { color: %3; text-decoration: underline; }"
             "QSlider::sub-page:horizontal { background: %3; }")
      .arg(strip.name(), line.name(), accent.name());
}

bool ApplyStyle(const QString& name) {
  if (!IsKnownStyle(name)) return false;
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
    if (QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
      if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
    QApplication::setPalette(StylePalette(name));
    app->setStyleSheet(StyleSheet(name));
  }
  activeStyle = name;
  return true;
}

QString ActiveStyle() { return activeStyle; }

}  // namespace cvapp
