#pragma once

#include <QWidget>

// A page that has only its title so far.
class PagePlaceholder : public QWidget {
    Q_OBJECT
public:
    explicit PagePlaceholder(const QString &title, QWidget *parent = nullptr);
};
