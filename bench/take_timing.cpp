#include "bench/take_timing.h"

#include <cstdint>
#include <cstring>

#include "tests/e2e/window_driver.h"

namespace {

using e2e::NowMs;

constexpr DWORD kSaveTimeoutMs = 120000;

void Say(FILE* progress, const char* line) {
    fprintf(progress, "%s\n", line);
    fflush(progress);
}

}  // namespace

bool IsCompleteWav(const std::string& path) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    unsigned char header[8] = {};
    DWORD read = 0;
    LARGE_INTEGER size = {};
    const bool ok = ReadFile(file, header, sizeof(header), &read, nullptr) && read == sizeof(header) &&
                    GetFileSizeEx(file, &size);
    CloseHandle(file);
    if (!ok || memcmp(header, "RIFF", 4) != 0) {
        return false;
    }
    const uint32_t riffSize = header[4] | (header[5] << 8) | (header[6] << 16) | (uint32_t{header[7]} << 24);
    return uint64_t{riffSize} + 8 == static_cast<uint64_t>(size.QuadPart);
}

TakeTiming TimeTake(const e2e::MainWindow& window, const std::string& path, double seconds, FILE* progress) {
    TakeTiming timing;
    if (!e2e::WriteText(window.Control(e2e::kFileNameEditId), path)) {
        timing.error = "the name box took no text";
        return timing;
    }
    const double startClicked = NowMs();
    if (!window.ClickStart() || !window.WaitForRecordingStatus()) {
        timing.error = "no take began; the status reads \"" + window.Status() + "\"";
        return timing;
    }
    Say(progress, "recording");
    // Nothing is asked of the program while it records, so the figures of the take are its own.
    const double stopAt = startClicked + seconds * 1000.0;
    while (NowMs() < stopAt) {
        const double left = stopAt - NowMs();
        Sleep(left > 1000 ? 1000 : static_cast<DWORD>(left > 1 ? left : 1));
    }
    const std::string shown = window.Status();
    if (!e2e::ParseStatusCount(shown, &timing.shownSeconds)) {
        timing.shownSeconds = 0;  // "録音中": no tick yet
    }
    Say(progress, "stopping");
    const double stopClicked = NowMs();
    timing.wallMs = stopClicked - startClicked;
    if (!window.ClickStop()) {
        timing.error = "the stop button took no click";
        return timing;
    }
    // The status is read through the program's own message loop, so the answer "停止" comes as
    // soon as the stop handler has returned.
    const bool saved = e2e::WaitUntil(
        [&] { return window.Status() == e2e::kStatusIdle && IsCompleteWav(path); }, kSaveTimeoutMs, 1);
    timing.stopToSavedMs = NowMs() - stopClicked;
    if (!saved) {
        timing.error = "the take was not saved to " + path + "; the status reads \"" + window.Status() + "\"";
        return timing;
    }
    timing.ok = true;
    return timing;
}
