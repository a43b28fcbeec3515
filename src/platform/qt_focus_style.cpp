#include "platform/qt_focus_style.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOption>

namespace krv {

namespace {

constexpr qreal kRingWidth = 2.0;

void drawRing(const QStyleOption& option, QPainter& painter, int inset) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(option.palette.color(QPalette::Highlight), kRingWidth);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QRectF ring =
        QRectF(option.rect)
            .adjusted(inset + kRingWidth / 2, inset + kRingWidth / 2, -inset - kRingWidth / 2, -inset - kRingWidth / 2);
    painter.drawRoundedRect(ring, 3, 3);
    painter.restore();
}

bool hasFocus(const QStyleOption& option) { return option.state & QStyle::State_HasFocus; }

}  // namespace

void FocusRingStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                   const QWidget* widget) const {
    // The cell of a grid, the text of an option button: a solid ring in
    // place of the faint one.
    if (element == PE_FrameFocusRect && option) {
        drawRing(*option, *painter, 0);
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void FocusRingStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const {
    QProxyStyle::drawControl(element, option, painter, widget);
    if (element == CE_PushButton && option && hasFocus(*option)) drawRing(*option, *painter, 1);
}

void FocusRingStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                        const QWidget* widget) const {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    if ((control == CC_ToolButton || control == CC_ComboBox) && option && hasFocus(*option))
        drawRing(*option, *painter, 0);
}

void useFocusRingStyle() { QApplication::setStyle(new FocusRingStyle); }

}  // namespace krv
