// Byte streams the image container writes to. The base names the whole set of stream
// operations (in this order); FileStream maps each one onto C standard I/O.
#pragma once

#include <cstddef>
#include <cstdio>

#include "platform/Win32Types.h"

class ImageStream {
public:
    virtual ~ImageStream() = default;
    virtual bool Close() = 0;
    virtual size_t Read(void* buffer, size_t size, size_t count) = 0;
    virtual size_t Write(const void* buffer, size_t size, size_t count) = 0;
    virtual bool Seek(long offset, int origin) = 0;
    virtual long Tell() = 0;
    virtual long Size() = 0;
    virtual bool Flush() = 0;
    virtual bool Eof() = 0;
    virtual long Error() = 0;
    virtual bool PutC(unsigned char c) {
        // a one-byte write
        return Write(&c, 1, 1) == 1;
    }
    virtual long GetC() = 0;
    virtual char* GetS(char* string, int n) = 0;
    virtual long Scanf(const char* format, void* output) = 0;
};

// A stream over an open C file. The file is closed on destruction only when the stream was
// told it owns it; the diagnostic page dump hands over a file its caller closes.
class FileStream final : public ImageStream {
public:
    explicit FileStream(std::FILE* fp = nullptr, bool bCloseFile = false)
        : m_fp(fp), m_bCloseFile(bCloseFile) {}
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    bool Close() override;
    size_t Read(void* buffer, size_t size, size_t count) override;
    size_t Write(const void* buffer, size_t size, size_t count) override;
    bool Seek(long offset, int origin) override;
    long Tell() override;
    long Size() override;
    bool Flush() override;
    bool Eof() override;
    long Error() override;
    bool PutC(unsigned char c) override;
    long GetC() override;
    char* GetS(char* string, int n) override;
    long Scanf(const char* format, void* output) override;

private:
    std::FILE* m_fp;
    bool m_bCloseFile;
};
