#include "editor_window/InspectorSectionKit.h"

#include "widgets/Icons.h"
#include "widgets/KeptPicture.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QPainter>

namespace SectionKit {

QColor controlTint() { return {157, 140, 245}; }

QColor readoutColor() { return {200, 200, 210}; }

void editStyle(EditorModel *model, const std::function<void(BeautyStyle &)> &edit) {
    if (!model) return;
    BeautyStyle style = model->document().style();
    edit(style);
    model->document().setStyle(style);
}

NewTile::NewTile(Look look, QWidget *parent) : QAbstractButton(parent), m_look(std::move(look)) {
    setCursor(Qt::PointingHandCursor);
    setFont(Theme::font(m_look.text.isEmpty() ? 12 : 13));
    if (!m_look.text.isEmpty()) setText(m_look.text);
}

void NewTile::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The dashed outline is a kept picture: its translucent dashes drawn afresh would be sliced
    // across Qt's thread pool in the window's first frame.
    const QString key = QStringLiteral("newTile:%1:%2").arg(m_look.dashOpacity).arg(m_look.cornerRadius);
    p.drawImage(QPoint(), keptPicture(key, size(), devicePixelRatioF(), [this](QPainter &outline) {
                    QPen dash(QColor::fromRgbF(1, 1, 1, float(m_look.dashOpacity)), 1);
                    dash.setDashPattern({3, 3});
                    outline.setPen(dash);
                    outline.setBrush(Qt::NoBrush);
                    outline.drawPath(Theme::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5),
                                                                  m_look.cornerRadius));
                }));
    if (!m_look.text.isEmpty()) {
        p.setPen(Theme::text3());
        drawLaidOutLine(p, rect(), Qt::AlignCenter, m_look.text);
        return;
    }
    const QPixmap icon = Icons::pixmap(m_look.symbol, 12, Theme::text3(), devicePixelRatioF());
    const QSizeF size = QSizeF(icon.size()) / icon.devicePixelRatio();
    p.drawPixmap(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), icon);
}

} // namespace SectionKit
