#include "page_sink.h"

namespace torvex {

void PageSink::Write(std::string_view bytes) {
    if (!taking() || failed()) return;
    if (bytes.size() >= direct_) {
        Send(buffer_, bytes);
        buffer_.clear();
        return;
    }
    if (buffer_.size() + bytes.size() > BufferSize) Flush();
    buffer_.append(bytes);
}

void PageSink::Flush() {
    if (!buffer_.empty() && taking() && !failed()) Send(buffer_);
    buffer_.clear();
}

void CallbackSink::Send(std::string_view bytes, std::string_view more) {
    for (const std::string_view piece : {bytes, more}) {
        if (piece.empty() || refused_) continue;
        refused_ = !output_(piece);
        written_ += piece.size();
    }
}

}  // namespace torvex
