// libFuzzer target for the project reader: any input either reads or is
// refused with ProjectFileError; reading it from memory and through a file
// descriptor (the buffered path ReadProjectFile takes) gives the same result;
// and what reads writes back to a file that reads again to the same text.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "core/model_state.h"
#include "document/project_reader.h"
#include "document/project_writer.h"

namespace {

const vendrel::ProjectDefaults& defaults() {
    static const vendrel::ProjectDefaults values = [] {
        vendrel::ModelParameters p = vendrel::make_startup_parameters(2);
        vendrel::set_document_defaults(p);
        auto s = std::make_unique<vendrel::ModelState>(p);
        return vendrel::current_project_values(p, vendrel::DisplaySettings{}, *s);
    }();
    return values;
}

// The written text of what reads, or the error message.
template <typename Read>
std::string outcome(Read read) {
    try {
        return vendrel::format_project_file(read().data);
    } catch (const vendrel::ProjectFileError& e) {
        return std::string("error: ") + e.what();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string from_memory =
        outcome([&] { return vendrel::parse_project_file(text, "fuzz.vdl", defaults()); });

    static const int fd = memfd_create("fuzz.vdl", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size) ||
        lseek(fd, 0, SEEK_SET) != 0) {
        std::abort();
    }
    const std::string from_file =
        outcome([&] { return vendrel::read_project_stream(fd, "fuzz.vdl", defaults()); });
    if (from_file != from_memory) {
        std::abort();  // both paths must read the same
    }

    if (from_memory.rfind("error: ", 0) != 0) {
        const vendrel::LoadedProject again =
            vendrel::parse_project_file(from_memory, "written.vdl", defaults());
        if (vendrel::format_project_file(again.data) != from_memory) {
            std::abort();  // a written project must read back to the same text
        }
    }
    return 0;
}
