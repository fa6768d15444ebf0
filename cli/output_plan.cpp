#include "cli/output_plan.h"

#include <algorithm>
#include <new>

#include "cli/run_options.h"

namespace vendrel {
namespace {

std::string suffix_list(const OutputKind& kind) {
    std::string list;
    for (std::string_view suffix : kind.suffixes) {
        if (!list.empty()) {
            list += ", ";
        }
        list += suffix;
    }
    return list;
}

}  // namespace

OutputPlan::OutputPlan(const std::vector<RequestedOutput>& outputs) : requested_(outputs) {
    for (const RequestedOutput& output : requested_) {
        AtomicFile& file = files_.add(output.path);
        if (!file.target().is_stream() && !has_accepted_suffix(*output.kind, output.path)) {
            throw UsageError("--" + std::string(output.kind->option) + " " + output.path +
                             ": the name must end in " + suffix_list(*output.kind));
        }
        targets_.push_back(&file);
    }
}

void OutputPlan::write(const OutputContext& context) {
    for (std::size_t i = 0; i < requested_.size(); ++i) {
        try {
            requested_[i].kind->write(context, *targets_[i]);
        } catch (const std::bad_alloc&) {
            throw FileError("cannot save " + requested_[i].path + ": not enough memory for the --" +
                            std::string(requested_[i].kind->option) + " output");
        }
    }
}

void OutputPlan::commit() {
    files_.commit();
}

bool OutputPlan::writes_standard_output() const {
    return std::any_of(targets_.begin(), targets_.end(),
                       [](const AtomicFile* f) { return f->target().standard_output; });
}

std::vector<std::string> OutputPlan::split_hard_links() const {
    std::vector<std::string> paths;
    for (const AtomicFile* file : targets_) {
        if (file->target().kind == SaveTarget::Kind::RegularFile && file->target().links > 1) {
            paths.push_back(file->target().path);
        }
    }
    return paths;
}

}  // namespace vendrel
