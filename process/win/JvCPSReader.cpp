#include "process/win/JvCPSReader.h"

#include "framework/win/OSError.h"
#include "process/win/JvCreateProcess.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace {

std::wstring Decode(UINT codePage, std::string_view bytes)
{
    if (bytes.empty())
        return {};
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
    return text;
}

UINT Resolve(unsigned codePage)
{
    // Console programs write in the system's ANSI code page.
    return codePage == 0 ? GetACP() : codePage;
}

std::size_t Utf8CharLength(std::string_view bytes)
{
    if (bytes.empty())
        return 0;
    const auto lead = static_cast<unsigned char>(bytes[0]);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    // A sequence cut short by a byte that does not continue it ends there;
    // the decoder starts a new character at that byte too.
    for (std::size_t i = 1; i < length; ++i) {
        if (i >= bytes.size())
            return 0;
        if ((static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80)
            return i;
    }
    return length;
}

}  // namespace

TJvCPSDecoder CodePageDecoder(unsigned codePage)
{
    const UINT resolved = Resolve(codePage);
    return [resolved](std::string_view bytes) { return Decode(resolved, bytes); };
}

TJvCPSCharLength CodePageCharLength(unsigned codePage)
{
    const UINT resolved = Resolve(codePage);
    if (resolved == CP_UTF8)
        return &Utf8CharLength;
    CPINFO info{};
    if (!GetCPInfo(resolved, &info))
        return {};
    if (info.MaxCharSize == 1)
        return [](std::string_view bytes) -> std::size_t { return bytes.empty() ? 0 : 1; };
    if (info.MaxCharSize == 2) {
        return [resolved](std::string_view bytes) -> std::size_t {
            if (bytes.empty())
                return 0;
            if (!IsDBCSLeadByteEx(resolved, static_cast<BYTE>(bytes[0])))
                return 1;
            return bytes.size() >= 2 ? 2 : 0;
        };
    }
    return {};  // unknown shape: every report decodes the whole line
}

TJvReader::TJvReader(TJvCreateProcess* owner)
    : TJvBaseReader(owner, CodePageDecoder(0), CodePageCharLength(0))
{
}

TJvReader::~TJvReader()
{
    Terminate();
}

void TJvReader::UseCodePage(unsigned codePage)
{
    SetDecoder(CodePageDecoder(codePage), CodePageCharLength(codePage));
}

bool TJvReader::OwnerData() const
{
    return FCreateProcess->ConsoleOptions().Contains(coOwnerData);
}

std::unique_ptr<TJvReadThread> TJvReader::PrepareThread(TKernelHandle readHandle, std::uint32_t run)
{
    return std::make_unique<TJvReadThread>(this, std::move(readHandle), FCreateProcess->NotificationWindow(), run);
}

void TJvReader::StartThread(std::unique_ptr<TJvReadThread> thread)
{
    BeginLines();
    FDrainAgain = false;
    FFinishPending = false;
    FThread = thread.release();
    FThread->Start();
}

void TJvReader::CreateThread(TKernelHandle readHandle, std::uint32_t run)
{
    StartThread(PrepareThread(std::move(readHandle), run));
}

void TJvReader::Terminate()
{
    if (FThread != nullptr) {
        TJvReadThread* const thread = std::exchange(FThread, nullptr);
        thread->TerminateThread();
        thread->HandOff().LetGo();
    }
    FFinishPending = false;
    AbandonLines();
}

// Marks a drain of the current run for its lifetime; restores what an outer
// drain (of an earlier run) had marked.
class TJvReader::TDrainScope {
public:
    explicit TDrainScope(TJvReader& reader)
        : FReader(reader), FOuterDraining(reader.FDraining), FOuterGeneration(reader.FDrainingGeneration)
    {
        FReader.FDraining = true;
        FReader.FDrainingGeneration = FReader.Generation();
    }
    ~TDrainScope()
    {
        FReader.FDraining = FOuterDraining;
        FReader.FDrainingGeneration = FOuterGeneration;
    }
    TDrainScope(const TDrainScope&) = delete;
    TDrainScope& operator=(const TDrainScope&) = delete;

private:
    TJvReader& FReader;
    bool FOuterDraining;
    std::uint32_t FOuterGeneration;
};

void TJvReader::Drain()
{
    if (FThread == nullptr)
        return;
    if (Busy()) {
        FDrainAgain = true;
        return;
    }
    TJvReadThread* const thread = FThread;
    const std::uint32_t generation = Generation();
    std::exception_ptr failure;
    {
        TDrainScope scope(*this);
        try {
            do {
                FDrainAgain = false;
                std::uint32_t count = 0;
                while (Generation() == generation && thread->ReadBuffer(FParseBuffer.data(), count))
                    ProcessPiece(FParseBuffer.data(), count);
            } while (Generation() == generation && FDrainAgain);
        } catch (...) {
            failure = std::current_exception();
        }
    }

    if (FFinishPending || Generation() != generation) {
        FinishPending(failure);
    } else if (failure) {
        // The rest waits for the next notification: make sure one comes.
        thread->Renotify();
    }
    if (failure)
        std::rethrow_exception(failure);
}

void TJvReader::FinishPending(std::exception_ptr& failure)
{
    // A thread ended during the drain: this run's, or, when a handler ended
    // this run and started the next, the next run's (the flag was cleared
    // when the run changed). Otherwise the next run's notification may have
    // been swallowed by the drain.
    if (FFinishPending) {
        FFinishPending = false;
        try {
            FinishRun();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    } else if (FThread != nullptr) {
        FThread->Renotify();
    }
}

void TJvReader::ThreadEnded()
{
    if (Busy()) {
        // The drain under way ends the run after it; the thread waits.
        FFinishPending = true;
        return;
    }
    FinishRun();
}

void TJvReader::FinishRun()
{
    TJvReadThread* const thread = FThread;
    const std::uint32_t generation = Generation();
    // The run must end whatever a handler does: the first failure is passed
    // on after the count has been posted, the rest of the output still goes out.
    std::exception_ptr failure;
    {
        TDrainScope scope(*this);
        for (bool done = false; !done && Generation() == generation;) {
            try {
                std::uint32_t count = 0;
                while (Generation() == generation && thread->ReadBuffer(FParseBuffer.data(), count))
                    ProcessPiece(FParseBuffer.data(), count);
                done = true;
            } catch (...) {
                if (!failure)
                    failure = std::current_exception();
            }
        }
        if (Generation() == generation) {
            try {
                EndLines();
            } catch (...) {
                if (!failure)
                    failure = std::current_exception();
            }
        }
    }
    if (Generation() == generation) {
        const std::uint32_t run = thread->HandOff().Run();
        FThread = nullptr;
        thread->HandOff().LetGo();
        FCreateProcess->PostThreadFinished(run);
    } else {
        FinishPending(failure);
    }
    if (failure)
        std::rethrow_exception(failure);
}

// ---------------------------------------------------------------------------

void TJvRWEHandles::Clear() noexcept
{
    FRead.reset();
    FWrite.reset();
    FError.reset();
}

namespace {

void MakePipe(SECURITY_ATTRIBUTES& attributes, HANDLE& readEnd, HANDLE& writeEnd)
{
    if (!CreatePipe(&readEnd, &writeEnd, &attributes, 0))
        RaiseLastOSError();
}

// A duplicate within this process with the same access. With closeSource the
// source is closed whether or not the duplication succeeds.
HANDLE DuplicateOwn(HANDLE source, bool inheritable, bool closeSource)
{
    const HANDLE self = GetCurrentProcess();
    HANDLE target = nullptr;
    const DWORD options = DUPLICATE_SAME_ACCESS | (closeSource ? DUPLICATE_CLOSE_SOURCE : 0);
    if (!DuplicateHandle(self, source, self, &target, 0, inheritable ? TRUE : FALSE, options))
        RaiseLastOSError();
    return target;
}

}  // namespace

void CreateCapturePipes(bool separateError, TJvRWEHandles& parent, TJvRWEHandles& child)
{
    // Inheritable, with the default security of our token: a descriptor
    // without an access list would let any local process open the pipes.
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = nullptr;
    attributes.bInheritHandle = TRUE;

    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;

    MakePipe(attributes, readEnd, writeEnd);
    child.SetWrite(writeEnd);
    parent.SetRead(DuplicateOwn(readEnd, false, true));

    if (separateError) {
        MakePipe(attributes, readEnd, writeEnd);
        child.SetError(writeEnd);
        parent.SetError(DuplicateOwn(readEnd, false, true));
    } else {
        child.SetError(DuplicateOwn(child.Write(), true, false));
    }

    MakePipe(attributes, readEnd, writeEnd);
    child.SetRead(readEnd);
    parent.SetWrite(DuplicateOwn(writeEnd, false, true));
}
