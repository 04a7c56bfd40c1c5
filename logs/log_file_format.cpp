#include "logs/log_file_format.h"

namespace veskar {
namespace {

template <typename String>
String BaseOf(const String& chosenPath) {
    const auto dot = chosenPath.rfind(static_cast<typename String::value_type>('.'));
    return dot == String::npos ? String() : chosenPath.substr(0, dot);
}

}  // namespace

std::string LogBasePathOf(const std::string& chosenPath) {
    return BaseOf(chosenPath);
}
std::wstring LogBasePathOf(const std::wstring& chosenPath) {
    return BaseOf(chosenPath);
}

std::string LogFileName(const std::string& basePath, int fileNumber) {
    return basePath + "_" + std::to_string(fileNumber) + ".xls";
}

std::wstring LogFileName(const std::wstring& basePath, int fileNumber) {
    return basePath + L"_" + std::to_wstring(fileNumber) + L".xls";
}

std::string FormatLogLine(const std::string& seq, const std::string& time, const std::string& len,
                          const std::string& data) {
    std::string line;
    line.reserve(seq.size() + time.size() + len.size() + data.size() + 4);
    line.append(seq).append(1, '\t');
    line.append(time).append(1, '\t');
    line.append(len).append(1, '\t');
    line.append(data).append(1, '\n');
    return line;
}

}  // namespace veskar
