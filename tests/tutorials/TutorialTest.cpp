#include "tutorials/Tutorial.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

QJsonObject parse(const char *json) { return QJsonDocument::fromJson(json).object(); }

} // namespace

TEST(TutorialTest, LenientTutorialStrictSteps) {
    const QDateTime before = QDateTime::currentDateTimeUtc();
    const auto minimal = Tutorial::fromJson(parse(R"({"steps": []})"));
    const QDateTime after = QDateTime::currentDateTimeUtc();
    ASSERT_TRUE(minimal);
    EXPECT_EQ(minimal->title, QStringLiteral("Novo tutorial"));
    EXPECT_EQ(minimal->theme, TutorialTheme::light);
    EXPECT_EQ(minimal->updatedAt, minimal->createdAt);
    // Made now: while it was read.
    EXPECT_GE(minimal->createdAt, before);
    EXPECT_LE(minimal->createdAt, after);

    const auto dated = Tutorial::fromJson(parse(R"({"createdAt": 100.5, "title": null})"));
    ASSERT_TRUE(dated);
    EXPECT_EQ(dated->createdAt, QDateTime(QDate(2001, 1, 1), QTime(0, 1, 40, 500), Qt::UTC));
    EXPECT_EQ(dated->updatedAt, dated->createdAt);

    const char *step = R"({"id": "1A2B3C4D-0000-4000-8000-000000000001", "title": "", "detail": "d",
                          "imageFile": "passo-1A2B3C4D.png"%1})";
    const auto withMarker = TutorialStep::fromJson(
        QJsonDocument::fromJson(QString::fromUtf8(step).arg(QStringLiteral(", \"marker\": [0.25, 0.5]")).toUtf8())
            .object());
    ASSERT_TRUE(withMarker);
    EXPECT_EQ(withMarker->marker, QPointF(0.25, 0.5));
    const auto noMarker =
        TutorialStep::fromJson(QJsonDocument::fromJson(QString::fromUtf8(step).arg(QString()).toUtf8()).object());
    ASSERT_TRUE(noMarker);
    EXPECT_FALSE(noMarker->toJson().contains(QStringLiteral("marker")));
    EXPECT_EQ(noMarker->toJson().value(QStringLiteral("id")).toString(),
              QStringLiteral("1A2B3C4D-0000-4000-8000-000000000001"));

    // Unreadable as a whole: a wrong theme, identifier or date, steps that are not a list.
    for (const char *bad : {R"({"theme": "sepia"})", R"({"id": "not-a-uuid"})", R"({"createdAt": "yesterday"})",
                            R"({"createdAt": 1e300})", R"({"steps": {}})"})
        EXPECT_FALSE(Tutorial::fromJson(parse(bad))) << bad;

    // An unreadable step (a missing key, a path for its picture, a marker or title of the wrong kind) leaves
    // only itself out, named by its place in the file, and is written back where it was.
    const QString good = QString::fromUtf8(step).arg(QString());
    for (
        const char *bad :
        {R"({"id": "1A2B3C4D-0000-4000-8000-000000000002", "title": "Abra", "detail": ""})",
         R"({"id": "1A2B3C4D-0000-4000-8000-000000000002", "title": "Abra", "detail": "", "imageFile": "../x.png"})",
         R"({"id": "1A2B3C4D-0000-4000-8000-000000000002", "title": "Abra", "detail": "", "imageFile": "/etc/passwd"})",
         R"({"id": "1A2B3C4D-0000-4000-8000-000000000002", "title": "Abra", "detail": "", "imageFile": "a.png", "marker": [1]})",
         R"({"id": "1A2B3C4D-0000-4000-8000-000000000002", "title": 7, "detail": "", "imageFile": "a.png"})",
         R"("passo")"}) {
        const QByteArray document =
            QStringLiteral(R"({"title": "T", "steps": [%1, %2, %1]})").arg(good, QString::fromUtf8(bad)).toUtf8();
        const auto read = Tutorial::fromJson(parse(document.constData()));
        ASSERT_TRUE(read) << bad;
        EXPECT_EQ(read->steps.size(), 2) << bad;
        ASSERT_EQ(read->unreadableSteps.size(), 1) << bad;
        EXPECT_EQ(read->unreadableSteps[0].number, 2);
        EXPECT_EQ(read->unreadableSteps[0].title,
                  QString::fromUtf8(bad).contains(QLatin1String("Abra")) ? QStringLiteral("Abra") : QString());
        EXPECT_TRUE(read->holdsSteps());
        EXPECT_EQ(read->toJson().value(QStringLiteral("steps")),
                  parse(document.constData()).value(QStringLiteral("steps")))
            << bad;
    }
    const auto onlyUnreadable = Tutorial::fromJson(parse(R"({"steps": [7]})"));
    ASSERT_TRUE(onlyUnreadable);
    EXPECT_TRUE(onlyUnreadable->steps.isEmpty());
    EXPECT_TRUE(onlyUnreadable->holdsSteps());

    Tutorial tutorial = Tutorial::blank();
    tutorial.steps.append(*withMarker);
    tutorial.theme = TutorialTheme::brand;
    const auto back = Tutorial::fromJson(tutorial.toJson());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->steps, tutorial.steps);
    EXPECT_EQ(back->theme, TutorialTheme::brand);
    EXPECT_EQ(back->id, tutorial.id);
    EXPECT_LE(qAbs(back->createdAt.msecsTo(tutorial.createdAt)), 1);
}
