#pragma once

#include "widgets/ThemedLabel.h"

#include <QWidget>

class QHBoxLayout;
class QVBoxLayout;

// The titled rounded card that frames each section of the brand page: title and subtitle with an
// optional accessory on the right, then the content, whose layout callers fill.
class BrandCard : public QWidget {
    Q_OBJECT
public:
    BrandCard(const QString &title, const QString &subtitle, int contentSpacing, QWidget *parent = nullptr);
    void setAccessory(QWidget *accessory);
    QVBoxLayout *content() const { return m_content; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QHBoxLayout *m_header = nullptr;
    QVBoxLayout *m_content = nullptr;
};

// The caption above a field.
class FieldLabel : public PlainLabel {
    Q_OBJECT
public:
    explicit FieldLabel(const QString &text, QWidget *parent = nullptr);
};
