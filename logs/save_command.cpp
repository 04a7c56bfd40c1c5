#include <algorithm>

#include "framework/application.h"
#include "framework/prompts.h"
#include "logs/frame_log_file.h"
#include "logs/log_file_format.h"
#include "ui/monitor_dialog.h"

namespace veskar {
namespace {

constexpr wchar_t kLogFilter[] = L"Excel File(*.xls)|*.xls||";
constexpr wchar_t kLogExtension[] = L"xls";
constexpr wchar_t kSaveDone[] = L"文件保存完毕！";

}  // namespace

// The save-file dialog of Save and Realtime-Save: the wide dialog, so that a path the ANSI code
// page cannot spell comes back whole.
std::optional<std::wstring> MonitorDialog::AskForLogPath() const {
    framework::SaveFileRequest request;
    request.owner = Handle();
    request.defaultExtension = kLogExtension;
    request.filter = kLogFilter;
    return framework::Prompts::Current().SaveFileName(request);
}

// The row total is the list's own count, read once the dialog has closed, so rows added while it
// was open are exported and nothing beyond the list is asked for (in Realtime-Save the list is
// empty while frameCounter_ counts the recorder's rows). No tick runs while the rows are written.
void MonitorDialog::OnSave() {
    const std::optional<std::wstring> chosenPath = AskForLogPath();
    if (!chosenPath) return;
    ExportListRows(LogBasePathOf(*chosenPath), frameList_.ItemCount());
    framework::ShowMessage(Handle(), kSaveDone, MB_OK | MB_ICONEXCLAMATION);
}

// File f holds the header and the rows f * RowsPerLogFile up to the next file's first row. An
// error ends the export: the local file is closed on the way out and keeps what it took.
void MonitorDialog::ExportListRows(const std::wstring& basePath, int rowTotal) const {
    FrameLogFile file;
    for (int fileNumber = 0, first = 0; first < rowTotal; ++fileNumber, first += RowsPerLogFile) {
        file.Create(LogFileName(basePath, fileNumber));
        file.WriteHeader();
        const int end = std::min(rowTotal, first + RowsPerLogFile);
        for (int row = first; row < end; ++row) {
            file.WriteRow(FrameRow{frameList_.ItemText(row, 0), frameList_.ItemText(row, 1),
                                   frameList_.ItemText(row, 2), frameList_.ItemText(row, 3)});
        }
        file.Close();
    }
}

}  // namespace veskar
