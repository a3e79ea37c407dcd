#include "editor_window/EditorPage.h"

#include "brand/BrandStore.h"
#include "core/Localization.h"
#include "core/StyleStore.h"
#include "editor/EditorModel.h"
#include "widgets/ImageDrag.h"
#include "widgets/Theme.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr qreal kMargin = 32;
constexpr int kSpinSteps = 12;
} // namespace

EditorPage::EditorPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("editorPage"));
    m_spin.setInterval(80);
    connect(&m_spin, &QTimer::timeout, this, [this] {
        m_spinStep = (m_spinStep + 1) % kSpinSteps;
        update();
    });
    connect(&BrandStore::shared(), &BrandStore::kitChanged, this, [this] {
        if (m_model) m_model->refresh();
    });
    connect(&BrandStore::shared(), &BrandStore::logoChanged, this, [this] {
        if (m_model) m_model->refresh();
    });
    connect(&StyleStore::shared(), &StyleStore::exportSettingsChanged, this, [this] {
        if (m_model) m_model->updateEstimate();
    });
}

void EditorPage::setModel(EditorModel *model) {
    if (m_model) disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    setAccessibleName(model ? L("Editor") : QString());
    if (model) {
        connect(model, &EditorModel::previewChanged, this, qOverload<>(&QWidget::update));
        connect(model, &EditorModel::showOriginalChanged, this, qOverload<>(&QWidget::update));
    }
    update();
}

const QImage &EditorPage::shownImage() const {
    static const QImage none;
    if (!m_model) return none;
    // Space held: the untouched capture, once there is a result to go back to.
    return m_model->showOriginal() && !m_model->preview().isNull() ? m_model->original() : m_model->preview();
}

QRectF EditorPage::imageRect() const {
    const QImage &shown = shownImage();
    if (shown.isNull()) return {};
    const QRectF area = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
    if (area.isEmpty()) return {};
    // Never enlarged past its own pixels: a small capture stays sharp in the middle of the page.
    QSizeF size = QSizeF(shown.size()) / devicePixelRatioF();
    if (size.width() > area.width() || size.height() > area.height()) size.scale(area.size(), Qt::KeepAspectRatio);
    return {area.center().x() - size.width() / 2, area.center().y() - size.height() / 2, size.width(), size.height()};
}

void EditorPage::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), Theme::bg());
    p.setRenderHint(QPainter::Antialiasing);
    if (!m_model) {
        m_spin.stop();
        p.setPen(Theme::text3());
        p.setFont(Theme::font(14));
        p.drawText(rect(), Qt::AlignCenter, L("Nenhuma captura aberta"));
        return;
    }
    const QRectF target = imageRect();
    if (target.isEmpty()) {
        paintBusy(p);
        return;
    }
    m_spin.stop();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, shownImage());
}

void EditorPage::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton && imageRect().contains(event->position())) m_pressAt = event->position();
}

void EditorPage::mouseMoveEvent(QMouseEvent *event) {
    if (!m_pressAt || !(event->buttons() & Qt::LeftButton) || !m_model) return;
    if ((event->position() - *m_pressAt).manhattanLength() < QApplication::startDragDistance()) return;
    m_pressAt.reset();
    // The result leaves as a file of the export, rendered afresh at full size.
    ImageDrag::start(this, m_model->dragProvider(), m_model->preview(), imageRect().size());
}

void EditorPage::mouseReleaseEvent(QMouseEvent *) { m_pressAt.reset(); }

void EditorPage::paintBusy(QPainter &p) {
    if (!m_spin.isActive()) m_spin.start();
    // Twelve ticks around the centre, the brightest one turning.
    p.translate(rect().center());
    for (int i = 0; i < kSpinSteps; ++i) {
        QColor tick = Theme::text2();
        tick.setAlphaF(0.15f + 0.85f * static_cast<float>((i + kSpinSteps - m_spinStep) % kSpinSteps) / kSpinSteps);
        p.setPen(QPen(tick, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0, -6), QPointF(0, -10));
        p.rotate(360.0 / kSpinSteps);
    }
}
