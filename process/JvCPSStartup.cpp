#include "process/JvCPSStartup.h"

TJvCPSStartupRecord ComposeStartupRecord(const TJvCPSStartupValues& values) noexcept
{
    TJvCPSStartupRecord record;
    record.UseDesktop = !values.Desktop.empty();
    record.UseTitle = !values.Title.empty();
    if (!values.DefaultPosition) {
        record.X = static_cast<std::uint32_t>(values.Left);
        record.Y = static_cast<std::uint32_t>(values.Top);
        record.Flags |= STARTF_USEPOSITION_VALUE;
    }
    if (!values.DefaultSize) {
        record.XSize = static_cast<std::uint32_t>(values.Width);
        record.YSize = static_cast<std::uint32_t>(values.Height);
        record.Flags |= STARTF_USESIZE_VALUE;
    }
    if (!values.DefaultWindowState) {
        record.ShowWindow = ShowWindowValue(values.ShowWindow);
        record.Flags |= STARTF_USESHOWWINDOW_VALUE;
    }
    if (values.ForceOnFeedback)
        record.Flags |= STARTF_FORCEONFEEDBACK_VALUE;
    if (values.ForceOffFeedback)
        record.Flags |= STARTF_FORCEOFFFEEDBACK_VALUE;
    return record;
}
