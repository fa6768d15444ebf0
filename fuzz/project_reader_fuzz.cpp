// libFuzzer target for the project reader: any input either reads or is
// refused with ProjectFileError, and what reads writes back to a file that
// reads again to the same text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
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
        return vendrel::current_project_values(p, DisplaySettings{}, *s);
    }();
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const vendrel::LoadedProject loaded =
            vendrel::parse_project_file(text, "fuzz.vdl", defaults());
        const std::string written = vendrel::format_project_file(loaded.data);
        const vendrel::LoadedProject again =
            vendrel::parse_project_file(written, "written.vdl", defaults());
        if (vendrel::format_project_file(again.data) != written) {
            std::abort();  // a written project must read back to the same text
        }
    } catch (const vendrel::ProjectFileError&) {
    }
    return 0;
}
