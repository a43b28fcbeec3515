// A dark desktop theme as a person might have set one: the screenshot tools
// render the windows in it to show that every text stays readable there.
#pragma once

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QStyleFactory>

namespace krv::screenshots {

inline QPalette darkPalette() {
    QPalette p;
    const QColor window(45, 47, 51), base(30, 31, 34), text(228, 230, 233), disabled(128, 131, 136);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(38, 40, 44));
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, disabled);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(58, 61, 66));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Light, QColor(75, 78, 84));
    p.setColor(QPalette::Midlight, QColor(64, 67, 72));
    p.setColor(QPalette::Mid, QColor(40, 42, 46));
    p.setColor(QPalette::Dark, QColor(25, 26, 29));
    p.setColor(QPalette::Shadow, Qt::black);
    p.setColor(QPalette::Highlight, QColor(52, 112, 190));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(110, 170, 240));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    return p;
}

// Fusion draws every control from the palette, as a desktop theme would.
inline void useDarkPalette() {
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication::setPalette(darkPalette());
}

}  // namespace krv::screenshots
