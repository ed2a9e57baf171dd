#pragma once

#include <streambuf>
#include <vector>

// Standard output as orq-cli writes it: one large buffer handed to write(2) as it fills, so that
// a report of tens of megabytes costs a few hundred system calls. The first failed write (a full
// disk, a closed pipe) is kept; from then on nothing more is written and the stream reports
// failure, and the command's exit status says so.
namespace orq::cli {

class TDescriptorOutput final : public std::streambuf {
public:
    explicit TDescriptorOutput(int fd);
    TDescriptorOutput(const TDescriptorOutput&) = delete;
    TDescriptorOutput& operator=(const TDescriptorOutput&) = delete;

    // The errno of the first failed write, or 0.
    int WriteError() const { return error_; }

protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    bool WriteAll(const char* data, std::size_t size);
    bool Drain();

    int fd_;
    int error_ = 0;
    std::vector<char> buffer_;
};

} // namespace orq::cli
