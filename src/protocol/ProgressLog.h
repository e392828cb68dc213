// The "ss.txt" progress log: created empty at start, "11" at its head when the window opens, one line
// per numbered reply.
#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

namespace kel {

class ProgressLog {
  public:
    // Creates (or truncates) the file and keeps it open. False when it cannot be created.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const;
    // Writes "11" at the beginning of the file.
    void WriteHeader();
    // Appends "最小<min>,最大<max>,当前Pos为<position>\n".
    void Line(int minimum, int maximum, int position);

  private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    mutable std::mutex m_mutex;
    std::unique_ptr<std::FILE, FileCloser> m_file;
};

// The application's log.
ProgressLog& TheProgressLog();

} // namespace kel
