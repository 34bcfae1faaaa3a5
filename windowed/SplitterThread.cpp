#include "SplitterThread.h"

#include "PathName.h"
#include "StringIds.h"
#include "StringTable.h"

#include <new>

CStr GetSplitOutputBase(const char* inputPath)
{
    CPathParts parts = SplitPath(inputPath);
    parts.name += "_parts";
    return MakePath(parts);
}

CSplitterThread::CSplitterThread(const char* inputPath, unsigned chunkSize,
                                 CSplitterListener* listener, CWorkerRegistry& registry)
    : CWorkerThread(true, registry), m_inputPath(inputPath), m_chunkSize(chunkSize),
      m_listener(listener)
{
    m_listener->SetStopEvent(&StopEvent());
}

CSplitterThread::~CSplitterThread()
{
    delete m_listener;
}

void CSplitterThread::StartSplit()
{
    if (Start())
        return;
    m_listener->ShowFailure(LoadResString(IDS_ERR_NO_THREAD));
    delete this;
}

bool CSplitterThread::Run()
{
    Split();
    return false;
}

// Every way the split can end is shown, except a stop: whoever asked for it
// is taking the window away. A chunk file the stop cut short is removed, so
// that the chunk files on disk are the ones the chunk list reports.
void CSplitterThread::Split()
{
    CStr outputBase = GetSplitOutputBase(m_inputPath);
    try {
        // The label shows while the engine reads its stub.
        m_listener->OnChunkStart(0);
        CSplitter splitter(m_chunkSize, m_inputPath, outputBase);
        splitter.Split(*m_listener);
        if (!m_listener->IsStopRequested())
            m_listener->ShowProduced(splitter.GetChunkCount());
    } catch (const CSplitterException& error) {
        if (m_listener->IsStopRequested()) {
            int cut = m_listener->GetCutChunk();
            if (cut >= 0)
                DeleteFileA(GetChunkName(outputBase, static_cast<unsigned>(cut)));
        } else {
            m_listener->ShowFailure(LoadResString(GetSplitErrorStringId(error.GetCode())));
        }
    } catch (const CExceptionBase& error) {
        // A stream error: a full disk, a read error, an input that changed.
        if (!m_listener->IsStopRequested())
            m_listener->ShowFailure(error.GetText());
    } catch (const std::bad_alloc&) {
        if (!m_listener->IsStopRequested())
            m_listener->ShowFailure(LoadResString(IDS_ERR_OUT_OF_MEMORY));
    } catch (...) {
        // Run must not throw; an error nobody foresaw is still an error.
        if (!m_listener->IsStopRequested())
            m_listener->ShowFailure(LoadResString(IDS_ERR_UNKNOWN));
    }
}
