// The history's formats on any bytes. The line diff of two texts: its unified text, applied the way patch applies
// it, gives the newer text back, with the counts it shows, which countChanges gives too. A generation's text: one
// that reads is written back the same way, and reads again as the same generation.

#include "FuzzSupport.h"
#include "common/Error.h"
#include "history/Diff.h"
#include "history/Generation.h"
#include "history/PatchOracle.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

namespace {

void checkDiff(const std::string& older, const std::string& newer) {
    const textdiff::FileDiff diff = textdiff::diffLines(older, newer);
    const patchoracle::Applied applied = patchoracle::apply(older, textdiff::unifiedDiff(diff, "a", "b"));
    FUZZ_CHECK(applied.fault.empty());
    FUZZ_CHECK(applied.text == newer);
    FUZZ_CHECK(applied.added == diff.counts.added && applied.removed == diff.counts.removed);
    const textdiff::DiffCounts counted = textdiff::countChanges(older, newer);
    FUZZ_CHECK(counted.added == diff.counts.added && counted.removed == diff.counts.removed);
    FUZZ_CHECK(diff.hunks.empty() == (older == newer));
}

void checkGeneration(const std::string& text) {
    history::Generation generation;
    try {
        generation = history::parseGeneration(text);
    } catch (const GlymError&) {
        return;
    }
    const std::string written = history::formatGeneration(generation);
    FUZZ_CHECK(history::formatGeneration(history::parseGeneration(written)) == written);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider provider(data, size);
    const std::string older = provider.ConsumeRandomLengthString(size);
    const std::string newer = provider.ConsumeRemainingBytesAsString();
    checkDiff(older, newer);
    checkGeneration(older + newer);
    return 0;
}
