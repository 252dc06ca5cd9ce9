#include "file_names.h"

#include <QFile>
#include <QFileInfo>

#include "path_names.h"

namespace torvex {

std::string PathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString PathText(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

QString AbsolutePath(const std::string& path) { return QFileInfo(PathText(path)).absoluteFilePath(); }

QString PagePath(const std::string& input, const std::string& output, bool split) {
    return AbsolutePath(split ? FolderOf(input) + std::string(SplitContentsPage) : output);
}

QString TrimSpaces(const QString& text) {
    qsizetype first = 0, last = text.size();
    while (first < last && text[first] == u' ') ++first;
    while (last > first && text[last - 1] == u' ') --last;
    return text.mid(first, last - first);
}

QString PathWithHtmlSuffix(const QString& path) {
    const qsizetype start = path.lastIndexOf(u'/') + 1;
    const qsizetype dot = path.indexOf(u'.', start);
    if (dot < 0) return path;
    return path.left(dot + 1) + QStringLiteral("html");
}

}  // namespace torvex
