// Keeps what a plug-in prints off the tool's standard output, which belongs to the tool's own report (JSON in
// particular). While a shield lives, descriptor 1 points at standard error, and Stream() writes to the real
// standard output.
#pragma once

#include <ostream>
#include <streambuf>

namespace orke::host {

class StdoutShield {
public:
    StdoutShield();
    ~StdoutShield();

    StdoutShield(const StdoutShield&) = delete;
    StdoutShield& operator=(const StdoutShield&) = delete;

    std::ostream& Stream() { return m_stream; }

private:
    class DescriptorBuffer : public std::streambuf {
    public:
        void Attach(int descriptor) { m_descriptor = descriptor; }

    protected:
        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* data, std::streamsize size) override;
        int sync() override;

    private:
        int m_descriptor = -1;
        char m_pending[4096];
        size_t m_used = 0;
    };

    int m_savedStdout;
    DescriptorBuffer m_buffer;
    std::ostream m_stream;
};

} // namespace orke::host
