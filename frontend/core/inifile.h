// An INI document kept line by line, so that rewriting a file changes only the
// keys we set and keeps every other section, key and comment as it was.
// Section and key names compare without regard to case; values are returned
// trimmed of blanks. The first of several equal keys is the one that counts.
#ifndef ZORB_FRONTEND_CORE_INIFILE_H
#define ZORB_FRONTEND_CORE_INIFILE_H

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace zfront {

class IniFile {
public:
    // Reads path; a missing or unreadable file gives an empty document.
    void read(const QString &path);
    void parse(const QByteArray &text);
    QByteArray text() const;

    std::optional<QString> value(const QString &section, const QString &key) const;
    // Windows profile integer rules: leading blanks, an optional sign and the
    // leading decimal digits ("12abc" is 12, "abc" is 0); a missing or empty
    // value gives the default.
    int intValue(const QString &section, const QString &key, int defaultValue) const;

    // Replaces the first key of that name (appending it to the section, and
    // the section to the document, when missing). Line breaks inside the value
    // become spaces: a value can never start a section or key of its own.
    void setValue(const QString &section, const QString &key, const QString &value);
    void removeSection(const QString &section);
    bool hasSection(const QString &section) const;
    // Keys of a section in file order.
    QStringList keys(const QString &section) const;

private:
    struct Line {
        QString raw; // the line as read (comments, blanks, odd lines)
        QString key; // empty unless the line is key=value
        QString value;
    };
    struct Section {
        QString name; // empty for the lines before the first section
        std::vector<Line> lines;
    };
    Section *find(const QString &section);
    const Section *find(const QString &section) const;

    std::vector<Section> sections_;
};

} // namespace zfront

#endif
