#include "platform/TextEngine.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

// The test program calls ensureSingleThreadedOpenMP first thing; started with another limit it must
// come back, once, with a limit of 1.
TEST(OpenMPGuard, RestartsOnceWithASingleThread) {
    if (qEnvironmentVariableIsSet("PELICARTA_OPENMP_PROBE")) {
        EXPECT_EQ(qgetenv("OMP_THREAD_LIMIT"), QByteArray("1"));
        return;
    }
    for (const char *limit : {"8", ""}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PELICARTA_OPENMP_PROBE"), QStringLiteral("1"));
        if (*limit) {
            env.insert(QStringLiteral("OMP_THREAD_LIMIT"), QString::fromLatin1(limit));
        } else {
            env.remove(QStringLiteral("OMP_THREAD_LIMIT"));
        }
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=OpenMPGuard.RestartsOnceWithASingleThread")});
        ASSERT_TRUE(child.waitForFinished(60000)) << "limit " << limit;
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
    }
}

TEST(TextLine, BoxOfARangeIsTheUnionOfItsGlyphs) {
    platform::TextLine line{QStringLiteral("ab cd"), QRectF(0, 0, 50, 10), {}};
    line.glyphs = {{0, 1, QRectF(0, 0, 10, 10)}, {1, 1, QRectF(10, 1, 10, 10)}, {3, 1, QRectF(30, 0, 10, 12)},
                   {4, 1, QRectF(40, 0, 10, 10)}};
    EXPECT_EQ(line.boxOf(0, 2), QRectF(0, 0, 20, 11));
    EXPECT_EQ(line.boxOf(1, 3), QRectF(10, 0, 30, 12)); // "b c": the space adds nothing
    EXPECT_EQ(line.boxOf(2, 1), std::nullopt);          // the space alone
    EXPECT_EQ(line.boxOf(4, 10), QRectF(40, 0, 10, 10));
    EXPECT_EQ(line.boxOf(9, 2), std::nullopt);
    EXPECT_EQ(line.boxOf(0, 0), std::nullopt);
}
