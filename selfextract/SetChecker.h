// The Linux joiner's test and list modes. CSetChecker reads a chunk set
// and checks every chunk's index, length and checksum and the whole file's
// checksum without writing a byte. Unlike the joiner, which stops at the
// first fault, it goes on past a missing, swapped or damaged chunk to every
// later chunk it can reach, so that a user knows which ones to fetch again.
#pragma once

#include "AppendedArchive.h"
#include "ChunkFormat.h"
#include "StreamFile.h"
#include "Str.h"

#include <cstdio>

class CSetChecker {
public:
    // `firstChunk`: path of the first chunk; lines go to `out`, the
    // messages of a first chunk that holds no set to `errors`.
    CSetChecker(const char* firstChunk, FILE* out, FILE* errors);
    CSetChecker(const CSetChecker&) = delete;
    CSetChecker& operator=(const CSetChecker&) = delete;
    ~CSetChecker();

    // Reads the first chunk's payload alone; false, its message written,
    // when it holds no chunk set.
    bool Open();
    // After Open: the stored file's name, size and checksum, one a line.
    void List();
    // After Open: a line per chunk (its file name, index, data bytes and
    // "ok" or what is wrong), then the verdict. True when the set would
    // rebuild.
    bool Check();

private:
    struct CChunkResult;

    void CheckFirstChunk(CChunkResult& result);
    void CheckLaterChunk(const char* name, CChunkResult& result);
    void ReadLaterChunk(const char* path, CChunkResult& result);
    void Report(const char* name, const CChunkResult& result);
    void Verdict(unsigned bad, unsigned count, bool wholeCrcMatches);

    CStr m_firstChunk;
    CStr m_folder; // the first chunk's folder, with its separator
    FILE* m_out;
    FILE* m_errors;
    CAppendedArchive* m_archive;
    CStreamFile* m_chunk;     // the later chunk being read
    unsigned char* m_block;   // its data, a block at a time
    char m_fileName[kMaxName];
    char m_nextName[kMaxName];
    CFileRecord m_record;
    CChunkHeader m_header; // chunk 0's
    CStr m_badNames;       // the files to fetch again, for the verdict
};
