#include "process/win/JvCPSReader.h"

#include "framework/win/OSError.h"
#include "process/win/JvCreateProcess.h"

#include <algorithm>
#include <exception>

namespace {

// Console programs write in the system's ANSI code page.
std::wstring DecodeAnsi(std::string_view bytes)
{
    if (bytes.empty())
        return {};
    const UINT codePage = GetACP();
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
    return text;
}

}  // namespace

TJvReader::TJvReader(TJvCreateProcess* owner) : TJvBaseReader(owner, &DecodeAnsi) {}

TJvReader::~TJvReader()
{
    Terminate();
}

bool TJvReader::OwnerData() const
{
    return FCreateProcess->ConsoleOptions().Contains(coOwnerData);
}

std::unique_ptr<TJvReadThread> TJvReader::PrepareThread(TKernelHandle readHandle)
{
    return std::make_unique<TJvReadThread>(this, std::move(readHandle), FCreateProcess->NotificationWindow());
}

void TJvReader::StartThread(std::unique_ptr<TJvReadThread> thread)
{
    BeginLines();
    FLeftover.clear();
    FFinishPending = false;
    FThread = thread.release();
    FThread->OnTerminate = [this](TThread*) { ThreadFinished(); };
    FThread->Start();
}

void TJvReader::CreateThread(TKernelHandle readHandle)
{
    StartThread(PrepareThread(std::move(readHandle)));
}

void TJvReader::Terminate()
{
    if (FThread != nullptr) {
        FThread->OnTerminate = nullptr;
        FThread->TerminateThread();
        FThread = nullptr;
    }
    FLeftover.clear();
    FFinishPending = false;
}

bool TJvReader::TakePiece(std::uint32_t& count)
{
    if (FThread != nullptr)
        return FThread->ReadBuffer(FParseBuffer.data(), count);
    if (FLeftover.empty())
        return false;
    count = static_cast<std::uint32_t>(std::min(FLeftover.size(), FParseBuffer.size()));
    std::copy_n(FLeftover.begin(), count, FParseBuffer.begin());
    FLeftover.erase(0, count);
    return true;
}

void TJvReader::Drain()
{
    if (FDraining)
        return;
    FDraining = true;
    try {
        std::uint32_t count = 0;
        while (TakePiece(count))
            ProcessPiece(FParseBuffer.data(), count);
    } catch (...) {
        FDraining = false;
        if (FFinishPending) {
            FFinishPending = false;
            FinishRun();
        }
        throw;
    }
    FDraining = false;
    if (FFinishPending) {
        FFinishPending = false;
        FinishRun();
    }
}

void TJvReader::ThreadFinished()
{
    if (FDraining) {
        // The thread object goes away when this handler returns: keep what it
        // still holds for the drain under way, which ends the run after it.
        TJvCPSBuffer piece;
        std::uint32_t count = 0;
        while (FThread->ReadBuffer(piece.data(), count))
            FLeftover.append(piece.data(), count);
        FThread = nullptr;
        FFinishPending = true;
        return;
    }
    FinishRun();
}

void TJvReader::FinishRun()
{
    // The run must end whatever a handler does: the first failure is passed
    // on after the count has been posted, the rest of the output still goes out.
    std::exception_ptr failure;
    for (bool done = false; !done;) {
        try {
            std::uint32_t count = 0;
            while (TakePiece(count))
                ProcessPiece(FParseBuffer.data(), count);
            done = true;
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    try {
        EndLines();
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    FThread = nullptr;
    FLeftover.clear();
    FCreateProcess->PostThreadFinished();
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
