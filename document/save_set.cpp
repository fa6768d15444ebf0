#include "document/save_set.h"

#include <algorithm>

namespace vendrel {

AtomicFile& SaveSet::add(const std::string& path, AtomicFile::Staging staging) {
    SaveTarget target = resolve_save_target(path);
    for (const auto& output : outputs_) {
        if (same_target(output->target(), target)) {
            throw FileError("cannot save " + path + ": it is the same file as " +
                            output->target().path);
        }
    }
    outputs_.push_back(std::make_unique<AtomicFile>(std::move(target), staging));
    return *outputs_.back();
}

void SaveSet::commit() {
    try {
        for (const auto& output : outputs_) {
            output->prepare();
        }
    } catch (const FileError& e) {
        throw SaveSetError(e.what(), {});
    }
    // Streams first: a device that is full or a pipe whose reader has gone
    // fails here, while every file is still as it was. The renames follow
    // in order; once prepared, a rename fails only when its folder changed
    // meanwhile.
    std::vector<AtomicFile*> order;
    for (const auto& output : outputs_) {
        order.push_back(output.get());
    }
    std::stable_partition(order.begin(), order.end(),
                          [](const AtomicFile* f) { return f->target().is_stream(); });
    std::vector<std::string> replaced;
    for (AtomicFile* output : order) {
        try {
            output->commit();
        } catch (const FileError& e) {
            std::string what = e.what();
            if (!replaced.empty()) {
                what += " (already saved:";
                for (const std::string& path : replaced) {
                    what += " " + path;
                }
                what += ")";
            }
            throw SaveSetError(what, replaced);
        }
        replaced.push_back(output->target().path);
    }
}

}  // namespace vendrel
