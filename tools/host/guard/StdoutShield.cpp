// The standard output shield: descriptor 1 sent to standard error, and a stream to the real output.
#include "StdoutShield.h"

#include "SignalSafe.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>

namespace orke::host {

StdoutShield::StdoutShield()
    : m_savedStdout(-1)
    , m_stream(&m_buffer) {
    std::cout.flush();
    std::fflush(stdout);
    m_savedStdout = dup(STDOUT_FILENO);
    if (m_savedStdout < 0) {
        m_buffer.Attach(STDOUT_FILENO); // no descriptor to spare: the report and the plug-in share the output
        return;
    }
    m_buffer.Attach(m_savedStdout);
    dup2(STDERR_FILENO, STDOUT_FILENO);
}

StdoutShield::~StdoutShield() {
    m_stream.flush();
    std::fflush(stdout);
    if (m_savedStdout >= 0) {
        dup2(m_savedStdout, STDOUT_FILENO);
        close(m_savedStdout);
    }
}

StdoutShield::DescriptorBuffer::int_type StdoutShield::DescriptorBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return sync() == 0 ? traits_type::not_eof(c) : traits_type::eof();
    }
    const char character = traits_type::to_char_type(c);
    return xsputn(&character, 1) == 1 ? c : traits_type::eof();
}

std::streamsize StdoutShield::DescriptorBuffer::xsputn(const char* data, std::streamsize size) {
    const auto count = static_cast<size_t>(size);
    if (m_used + count > sizeof m_pending) {
        if (sync() != 0) {
            return 0;
        }
        if (count > sizeof m_pending) {
            return WriteAll(m_descriptor, data, count) ? size : 0;
        }
    }
    std::memcpy(m_pending + m_used, data, count);
    m_used += count;
    return size;
}

int StdoutShield::DescriptorBuffer::sync() {
    const bool written = WriteAll(m_descriptor, m_pending, m_used);
    m_used = 0;
    return written ? 0 : -1;
}

} // namespace orke::host
