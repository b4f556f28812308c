#pragma once
// Whether a conversion that has ended produced its output file. Portable.
//
// The output file decides, as before; the exit code of the batch file is
// not asked, except for one code: the batch file ends with
// kExitOutputNotOurs when it failed while an install.wim lay in its place
// that it had not written (one that appeared during the run, so that its
// own result could not take that name). A file that was already there when
// the run started is not this run's result either.

#include <cstdint>

// The batch file's exit code for "the install.wim there is not from this
// run" (Windows' ERROR_ALREADY_EXISTS; wimlib's own codes stay below 100).
inline constexpr std::uint32_t kExitOutputNotOurs = 183;

constexpr bool ConversionSucceeded(bool outputExists, bool outputExistedBeforeRun, std::uint32_t exitCode) noexcept
{
    return outputExists && !outputExistedBeforeRun && exitCode != kExitOutputNotOurs;
}
