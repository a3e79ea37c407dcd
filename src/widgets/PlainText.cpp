#include "widgets/PlainText.h"

#include <QTextDocument>

QString plainToolTip(const QString &text) {
    if (!Qt::mightBeRichText(text)) return text;
    return QStringLiteral("<p style='white-space:pre-wrap'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

QString plainMenuText(const QString &text) {
    QString shown = text;
    return shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString plainWindowTitle(const QString &text) {
    QString shown = text;
    return shown.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}
