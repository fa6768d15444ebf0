#include "cli/parameter_list.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <charconv>

#include "core/parameter_fields.h"

namespace vendrel {
namespace {

std::string number_text(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string default_text(const ParameterField& field, const ModelParameters& p,
                         const DisplaySettings& d) {
    std::string text;
    for (int k = 0; k < field.count(); ++k) {
        if (k > 0) {
            text += ",";
        }
        text += number_text(field_value(field, p, d, k));
    }
    return text;
}

std::string padded(std::string text, std::size_t width) {
    text.resize(std::max(width, text.size() + 1), ' ');
    return text;
}

}  // namespace

std::string parameter_list_text(const ModelParameters& p, const DisplaySettings& d) {
    std::size_t key_width = 3;
    std::size_t unit_width = 4;
    std::size_t default_width = 7;
    for (const ParameterField& field : parameter_fields()) {
        key_width = std::max(key_width, field.name.size());
        unit_width = std::max(unit_width, field.unit.size());
        default_width = std::max(default_width, default_text(field, p, d).size());
    }
    std::string text = padded("key", key_width + 2) + padded("unit", unit_width + 2) +
                       padded("default", default_width + 2) + "description\n";
    for (const ParameterField& field : parameter_fields()) {
        text += padded(std::string(field.name), key_width + 2) +
                padded(field.unit.empty() ? "-" : std::string(field.unit), unit_width + 2) +
                padded(default_text(field, p, d), default_width + 2) +
                std::string(field.description) + "\n";
    }
    return text;
}

std::string parameter_list_json(const ModelParameters& p, const DisplaySettings& d) {
    QJsonArray list;
    for (const ParameterField& field : parameter_fields()) {
        QJsonObject entry;
        entry.insert("key", QString::fromUtf8(field.name.data(), qsizetype(field.name.size())));
        entry.insert("unit", QString::fromUtf8(field.unit.data(), qsizetype(field.unit.size())));
        entry.insert("integer", field.is_integer());
        if (field.count() == 1) {
            entry.insert("default", field_value(field, p, d));
        } else {
            QJsonArray values;
            for (int k = 0; k < field.count(); ++k) {
                values.append(field_value(field, p, d, k));
            }
            entry.insert("default", values);
        }
        entry.insert("description", QString::fromUtf8(field.description.data(),
                                                      qsizetype(field.description.size())));
        list.append(entry);
    }
    return QJsonDocument(list).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace vendrel
