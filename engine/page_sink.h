// Where a page's bytes go as they are made: gathered a quarter of a megabyte
// at a time, then written to a file (PageFile) or handed to a function of
// the caller's (CallbackSink). Only a page written through a temporary file
// can have bytes put in before what it holds, or read back; the writer
// takes another road for the others.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace torvex {

class PageSink {
public:
    virtual ~PageSink() = default;

    void Write(std::string_view bytes);
    // The bytes written so far.
    unsigned long long size() const { return written_ + buffer_.size(); }
    // Whether bytes already written can be read back and moved.
    virtual bool CanInsert() const { return false; }
    // Puts bytes in at offset, moving everything written after it on (when CanInsert).
    virtual void Insert(unsigned long long /*offset*/, std::string_view /*bytes*/) {}
    // Up to n bytes written from offset (when CanInsert).
    virtual size_t ReadAt(unsigned long long /*offset*/, char* /*to*/, size_t /*n*/) { return 0; }

    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }

protected:
    // A quarter of a megabyte per write: each call into the file system costs
    // more than the copy into this buffer does (a 256 MB page: 4% faster than
    // with 64 KB).
    static constexpr size_t BufferSize = 1 << 18;

    // Whether bytes are taken now.
    virtual bool taking() const = 0;
    // Sends bytes on and counts those that went in written_.
    virtual void Send(std::string_view bytes) = 0;
    void Flush();

    std::string buffer_;
    unsigned long long written_ = 0;  // bytes sent on
    std::string error_;
};

// Takes a page's bytes, in order; false: no more of them.
using PageOutput = std::function<bool(std::string_view bytes)>;

// A page handed to a function as it is made: what the writer hands on at
// once, a quarter of a megabyte or more, goes on as it is, smaller writes
// are gathered. Once the function has said false it is handed nothing more.
class CallbackSink final : public PageSink {
public:
    explicit CallbackSink(const PageOutput& output) : output_(output) { buffer_.reserve(BufferSize); }
    // Hands on what waits in the buffer: the page is complete.
    void Close() { Flush(); }
    bool refused() const { return refused_; }

private:
    bool taking() const override { return !refused_; }
    void Send(std::string_view bytes) override;

    const PageOutput& output_;
    bool refused_ = false;
};

}  // namespace torvex
