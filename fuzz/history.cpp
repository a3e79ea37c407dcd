// The history index ("Indice-do-historico.json"): what is read is written back and reads the same.

#include "history/HistoryIndexFile.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const HistoryIndexFile::Contents read = HistoryIndexFile::parse(fuzz::bytes(data, size));
    const HistoryIndexFile::Contents again = HistoryIndexFile::parse(HistoryIndexFile::serialize(read.records));
    if (again.keepAside || again.records != read.records) std::abort();
    return 0;
}
