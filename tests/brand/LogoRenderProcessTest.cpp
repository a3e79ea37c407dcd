#include "brand/LogoRenderProcess.h"

#include <gtest/gtest.h>

namespace {

using Outcome = LogoRenderProcess::Result::Outcome;

LogoRenderProcess::Options shell(const QString &script) {
    LogoRenderProcess::Options options;
    options.program = {QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script}};
    return options;
}

LogoRenderFrames::Request svgRequest(const QByteArray &svg) {
    return {LogoRenderFrames::Kind::svg, QSize(160, 60), {}, 0, svg};
}

const QByteArray square = R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10">)"
                          R"(<rect width="10" height="10" fill="#00ff00"/></svg>)";

} // namespace

TEST(LogoRenderProcessTest, DrawsInItsOwnProcessAndSaysWhatItCouldNotRead) {
    LogoRenderProcess::Options options;
    options.program = {QStringLiteral(PELICARTA_TEST_LOGO_RENDERER), {}};
    const auto drawn = LogoRenderProcess::render(svgRequest(square), options);
    ASSERT_EQ(drawn.outcome, Outcome::drawn) << drawn.detail.toStdString();
    EXPECT_EQ(drawn.image.size(), QSize(60, 60));
    EXPECT_EQ(drawn.image.pixelColor(30, 30), QColor(0, 255, 0));

    EXPECT_EQ(LogoRenderProcess::render(svgRequest("<svg"), options).outcome, Outcome::unreadable);
    EXPECT_EQ(
        LogoRenderProcess::render({LogoRenderFrames::Kind::pdf, QSize(160, 60), {}, 0, "%PDF-1.4 no"}, options).outcome,
        Outcome::unreadable);
}

TEST(LogoRenderProcessTest, ARendererThatHangsDiesOrTalksNonsenseIsStopped) {
    // Hangs: killed at its deadline, not let run to its end two minutes later.
    auto hanging = shell(QStringLiteral("cat >/dev/null; exec sleep 120"));
    hanging.timeoutMs = 200;
    hanging.startMarginMs = 300;
    const auto stopped = LogoRenderProcess::render(svgRequest(square), hanging);
    EXPECT_EQ(stopped.outcome, Outcome::stopped);
    EXPECT_EQ(stopped.detail, QStringLiteral("ran past its time limit"));

    EXPECT_EQ(LogoRenderProcess::render(svgRequest(square), shell(QStringLiteral("kill -SEGV $$"))).outcome,
              Outcome::stopped);
    EXPECT_EQ(LogoRenderProcess::render(svgRequest(square), shell(QStringLiteral("cat >/dev/null; exit 3"))).outcome,
              Outcome::stopped);
    // An answer whose drawing is larger than the box, or that is no answer at all.
    const QString tooLarge = QStringLiteral("cat >/dev/null; printf 'PLA1\\000\\377\\000\\000\\000\\001\\000\\000\\000"
                                            "\\000\\000\\000\\000'; head -c 1020 /dev/zero");
    EXPECT_EQ(LogoRenderProcess::render(svgRequest(square), shell(tooLarge)).outcome, Outcome::stopped);
    EXPECT_EQ(
        LogoRenderProcess::render(svgRequest(square), shell(QStringLiteral("cat >/dev/null; echo hello"))).outcome,
        Outcome::stopped);
    // An answer that goes on and on is cut short.
    EXPECT_EQ(LogoRenderProcess::render(svgRequest(square), shell(QStringLiteral("cat /dev/zero"))).outcome,
              Outcome::stopped);

    EXPECT_EQ(LogoRenderProcess::render(svgRequest(square), {{QStringLiteral("/nonexistent/pelicarta"), {}}}).outcome,
              Outcome::notStarted);
    EXPECT_EQ(LogoRenderProcess::render(svgRequest(square), {{}}).outcome, Outcome::notStarted);
}
