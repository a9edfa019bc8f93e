#include "cli/output.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace lumo::cli {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

void PrintJson(const QJsonDocument& document, std::ostream& out) {
    out << document.toJson(QJsonDocument::Compact).toStdString() << '\n';
}

// A cell never breaks the one-row-a-line form: tabs and line breaks in a
// name become spaces.
std::string PlainCell(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return text;
}

}  // namespace

void PrintTable(const Table& table, bool json, std::ostream& out) {
    if (json) {
        QJsonArray rows;
        for (const auto& row : table.rows) {
            QJsonObject object;
            for (size_t i = 0; i < table.fields.size() && i < row.size(); ++i) object.insert(Q(table.fields[i]), Q(row[i]));
            rows.append(object);
        }
        PrintJson(QJsonDocument(rows), out);
        return;
    }
    for (const auto& row : table.rows) {
        const size_t shown = table.plainFields == 0 ? row.size() : std::min(row.size(), table.plainFields);
        for (size_t i = 0; i < shown; ++i) out << (i == 0 ? "" : "\t") << PlainCell(row[i]);
        out << '\n';
    }
}

void PrintRecord(const std::vector<std::pair<std::string, std::string>>& values, bool json, std::ostream& out) {
    if (json) {
        QJsonObject object;
        for (const auto& [name, value] : values) object.insert(Q(name), Q(value));
        PrintJson(QJsonDocument(object), out);
        return;
    }
    for (const auto& [name, value] : values) out << name << ": " << PlainCell(value) << '\n';
}

}  // namespace lumo::cli
