#include "platform/TextEngine.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>

// RecognitionBench.cpp: a child process that reads one image and reports how long it took; the
// benchmarks named after the pages of the recognition corpus.
int runRecognitionChild(int argc, char **argv);
void registerRecognitionBenchmarks();

int main(int argc, char **argv) {
    // "--no-openmp-guard" lets the recognition benchmark show what the guard saves.
    bool guard = true;
    for (int i = 1; i < argc; ++i) guard = guard && std::strcmp(argv[i], "--no-openmp-guard") != 0;
    if (guard) platform::ensureSingleThreadedOpenMP(argc, argv);
    argc = int(
        std::remove_if(argv + 1, argv + argc, [](const char *a) { return std::strcmp(a, "--no-openmp-guard") == 0; }) -
        argv);
    argv[argc] = nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (const int child = runRecognitionChild(argc, argv); child >= 0) return child;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    registerRecognitionBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
