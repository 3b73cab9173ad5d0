#pragma once
#include <QColor>
#include <QPalette>

namespace lovetest::testing {

// A dark desktop palette like the ones desktop themes set: light text on
// dark windows, fields and buttons; tooltips stay pale yellow.
inline QPalette darkDesktopPalette()
{
    QPalette palette;
    const QColor window(0x31, 0x31, 0x31);
    const QColor base(0x1e, 0x1e, 0x1e);
    const QColor text(0xf0, 0xf0, 0xf0);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, window);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Base, base);
        palette.setColor(group, QPalette::AlternateBase, window);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::Button, window);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::ToolTipBase, QColor(0xff, 0xff, 0xdc)); // kept pale, as many themes do
        palette.setColor(group, QPalette::ToolTipText, Qt::black);
        palette.setColor(group, QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::Light, QColor(0x50, 0x50, 0x50));
        palette.setColor(group, QPalette::Midlight, QColor(0x40, 0x40, 0x40));
        palette.setColor(group, QPalette::Mid, QColor(0x25, 0x25, 0x25));
        palette.setColor(group, QPalette::Dark, QColor(0x15, 0x15, 0x15));
        palette.setColor(group, QPalette::Shadow, Qt::black);
    }
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    palette.setColor(QPalette::Disabled, QPalette::Window, window);
    palette.setColor(QPalette::Disabled, QPalette::Base, window);
    palette.setColor(QPalette::Disabled, QPalette::Button, window);
    return palette;
}

} // namespace lovetest::testing
