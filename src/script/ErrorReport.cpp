#include "script/ErrorReport.h"

#include "data/GameLoader.h"
#include "platform/Dialogs.h"
#include "world/GameState.h"

namespace velkaro {

std::string ErrorReportText(const std::string& message, bool fatal, const std::string& eventName,
                            const std::string& objectName) {
    std::string text = fatal ? "FATAL ERROR:" : "ERROR:";
    text += "\rin ";
    text += eventName;
    text += " of object ";
    text += objectName;
    text += '\r';
    text += message;
    return text;
}

void CErrorReport::ReportGameError(const std::string& message, bool fatal) {
    if (!control_.IsGameRunning()) {
        if (unshown_++ == 0) {
            firstUnshown_ = ErrorReportText(message, fatal, game_.event_name, ReportObjectName());
        }
        return;
    }
    const std::string text = ErrorReportText(message, fatal, game_.event_name, ReportObjectName());
    constexpr std::size_t kRecentReports = 4;
    if (recent_.size() == kRecentReports) {
        recent_.pop_front();
    }
    recent_.push_back(text);
    // A fatal error leaves nothing to choose, whatever the box answers.
    const ErrorAnswer answer = dialogs_.ShowErrorReport(text, fatal);
    if (fatal || answer == ErrorAnswer::Abort) {
        control_.StopGameThread();
    }
}

std::string CErrorReport::ReportObjectName() const {
    if (!game_.data.objects.Valid(game_.report_object)) {
        return {};
    }
    return game_.data.objects.Get(game_.report_object).name;
}

} // namespace velkaro
