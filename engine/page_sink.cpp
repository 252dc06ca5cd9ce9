#include "page_sink.h"

namespace torvex {

void PageSink::Write(std::string_view bytes) {
    if (!taking() || failed()) return;
    if (buffer_.size() + bytes.size() > BufferSize) {
        Flush();
        if (bytes.size() >= BufferSize) {
            // A huge line goes straight out instead of through the buffer.
            Send(bytes);
            return;
        }
    }
    buffer_.append(bytes);
}

void PageSink::Flush() {
    if (!buffer_.empty() && taking() && !failed()) Send(buffer_);
    buffer_.clear();
}

void CallbackSink::Send(std::string_view bytes) {
    refused_ = !output_(bytes);
    written_ += bytes.size();
}

}  // namespace torvex
