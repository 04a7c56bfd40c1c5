#include "tools/simdevice/frame_log.h"

#include <algorithm>
#include <sstream>

namespace veskar::simdevice {
namespace {

// Sends longer than this are noted by their size only.
constexpr std::size_t kNotedBytesMax = 64;

bool ShownAsSent(const Piece& piece) {
    return piece.framesSent == 1 && piece.shown.size() == 1 &&
           piece.bytes.size() == kMarker.size() + piece.shown[0].size() &&
           std::equal(kMarker.begin(), kMarker.end(), piece.bytes.begin()) &&
           std::equal(piece.shown[0].begin(), piece.shown[0].end(),
                      piece.bytes.begin() + kMarker.size());
}

}  // namespace

std::string HexBytes(const Bytes& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t byte : bytes) {
        if (!text.empty()) text += ' ';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

std::string FrameLogLine(std::int64_t seq, const Bytes& frame) {
    return std::to_string(seq) + ' ' + std::to_string(frame.size()) + ' ' + HexBytes(frame);
}

bool FrameLogWriter::Open(const std::string& path, const std::string& heading) {
    file_.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!file_) return false;
    file_ << "# " << heading << "\n# seq len bytes: the frames a receiver shows, in order\n";
    return static_cast<bool>(file_);
}

void FrameLogWriter::Write(const Piece& piece) {
    if (piece.framesSent == 0) {
        file_ << "# stray: " << piece.bytes.size() << " bytes without a marker, in no frame\n";
    } else if (!ShownAsSent(piece)) {
        file_ << "# sent: ";
        if (piece.bytes.size() <= kNotedBytesMax) {
            file_ << HexBytes(piece.bytes) << '\n';
        } else {
            file_ << piece.bytes.size() << " bytes\n";
        }
    }
    for (const Bytes& frame : piece.shown) file_ << FrameLogLine(++seq_, frame) << '\n';
}

bool FrameLogWriter::Close(const std::string& closing) {
    file_ << "# " << closing << '\n';
    file_.flush();
    const bool written = static_cast<bool>(file_);
    file_.close();
    return written;
}

std::optional<std::vector<Bytes>> ReadFrameLog(const std::string& path) {
    std::ifstream file(path);
    if (!file) return std::nullopt;
    std::vector<Bytes> frames;
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::int64_t seq = 0;
        std::size_t length = 0;
        if (!(fields >> seq >> length) || seq != static_cast<std::int64_t>(frames.size()) + 1) {
            return std::nullopt;
        }
        Bytes frame;
        unsigned value = 0;
        while (fields >> std::hex >> value) frame.push_back(static_cast<std::uint8_t>(value));
        if (frame.size() != length) return std::nullopt;
        frames.push_back(std::move(frame));
    }
    return frames;
}

}  // namespace veskar::simdevice
