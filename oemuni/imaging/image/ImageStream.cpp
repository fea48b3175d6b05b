#include "oemuni/imaging/image/ImageStream.h"

FileStream::~FileStream() { Close(); }

bool FileStream::Close() {
    int result = 0;
    if (m_fp != nullptr && m_bCloseFile) {
        result = std::fclose(m_fp);
    }
    m_fp = nullptr;
    return result == 0;
}

size_t FileStream::Read(void* buffer, size_t size, size_t count) {
    if (m_fp == nullptr || buffer == nullptr) return 0;
    return std::fread(buffer, size, count, m_fp);
}

size_t FileStream::Write(const void* buffer, size_t size, size_t count) {
    if (m_fp == nullptr || buffer == nullptr) return 0;
    return std::fwrite(buffer, size, count, m_fp);
}

bool FileStream::Seek(long offset, int origin) {
    if (m_fp == nullptr) return false;
    return std::fseek(m_fp, offset, origin) == 0;
}

long FileStream::Tell() {
    if (m_fp == nullptr) return 0;
    return std::ftell(m_fp);
}

long FileStream::Size() {
    if (m_fp == nullptr) return -1;
    long pos = std::ftell(m_fp);
    std::fseek(m_fp, 0, SEEK_END);
    long size = std::ftell(m_fp);
    std::fseek(m_fp, pos, SEEK_SET);
    return size;
}

bool FileStream::Flush() {
    if (m_fp == nullptr) return false;
    return std::fflush(m_fp) == 0;
}

bool FileStream::Eof() {
    if (m_fp == nullptr) return true;
    return std::feof(m_fp) != 0;
}

long FileStream::Error() {
    if (m_fp == nullptr) return -1;
    return std::ferror(m_fp);
}

bool FileStream::PutC(unsigned char c) {
    if (m_fp == nullptr) return false;
    return std::fputc(c, m_fp) == c;
}

long FileStream::GetC() {
    if (m_fp == nullptr) return EOF;
    return std::getc(m_fp);
}

char* FileStream::GetS(char* string, int n) {
    if (m_fp == nullptr || string == nullptr) return nullptr;
    return std::fgets(string, n, m_fp);
}

long FileStream::Scanf(const char* format, void* output) {
    if (m_fp == nullptr || format == nullptr) return EOF;
    return std::fscanf(m_fp, format, output);
}
