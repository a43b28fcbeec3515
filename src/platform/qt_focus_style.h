// The desktop's own style, with a ring around the control that has the
// keyboard focus clear enough to follow without a mouse: the default
// style's is a faint tint.
#pragma once

#include <QProxyStyle>

namespace krv {

class FocusRingStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
};

// Gives the program's windows the style above; call once the application
// exists, before the windows are made.
void useFocusRingStyle();

}  // namespace krv
