#include "editor_window/EditorPage.h"

#include "brand/BrandStore.h"
#include "core/Localization.h"
#include "core/StyleStore.h"
#include "editor/AnnotationCanvas.h"
#include "editor/EditorModel.h"
#include "editor_window/EditorToolbar.h"
#include "widgets/ImageDrag.h"
#include "widgets/Spinner.h"
#include "widgets/Theme.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr qreal kMargin = 32;
} // namespace

EditorPage::EditorPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("editorPage"));
    m_spin.setInterval(Spinner::stepMs);
    connect(&m_spin, &QTimer::timeout, this, qOverload<>(&QWidget::update));
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
    // The old canvas ends its press and text entry on the model it was made for.
    delete m_canvas;
    delete m_toolbar;
    m_canvas = nullptr;
    m_toolbar = nullptr;
    m_model = model;
    if (model) {
        m_toolbar = new EditorToolbar(model, this);
        m_canvas = new AnnotationCanvas(model, this);
        connect(model, &EditorModel::toolChanged, this, &EditorPage::showCanvasOrPreview);
        layoutChildren();
        m_toolbar->show();
        showCanvasOrPreview();
    }
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

QRectF EditorPage::contentRect() const {
    QRectF area(rect());
    if (m_toolbar) area.setTop(EditorToolbar::height);
    return area;
}

void EditorPage::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layoutChildren();
}

void EditorPage::layoutChildren() {
    if (m_toolbar) m_toolbar->setGeometry(0, 0, width(), EditorToolbar::height);
    if (m_canvas) m_canvas->setGeometry(contentRect().toRect());
}

void EditorPage::showCanvasOrPreview() {
    if (m_canvas) m_canvas->setVisible(m_model && m_model->tool() != EditorTool::preview);
    update();
}

QRectF EditorPage::imageRect() const {
    const QImage &shown = shownImage();
    if (shown.isNull()) return {};
    const QRectF area = contentRect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
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
    const QPointF centre = contentRect().center();
    Spinner::paint(p, QRectF(centre.x() - 11, centre.y() - 11, 22, 22), Theme::text2());
}
