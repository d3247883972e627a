#include "IniDocument.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstdio>

// Whatever the bytes, parsing must not crash, a rewrite must read back as the
// same sections, keys and values, and a value written must read back whole.
namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "INI invariant broken: %s\n", what);
        std::abort();
    }
}

void sameContents(const IniDocument& a, const IniDocument& b) {
    const QStringList sections = a.sections();
    check(sections == b.sections(), "sections differ after a rewrite");
    for (const QString& s : sections) {
        const QStringList keys = a.keys(s);
        check(keys == b.keys(s), "keys differ after a rewrite");
        for (const QString& k : keys)
            check(a.value(s, k) == b.value(s, k), "a value differs after a rewrite");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    IniDocument doc = IniDocument::parse(bytes);
    const IniDocument again = IniDocument::parse(doc.serialize());
    sameContents(doc, again);

    // A value made of the input's own bytes, written into its first section.
    QString value = QString::fromLatin1(bytes.left(300));
    value.remove(QLatin1Char('\r'));
    value.remove(QLatin1Char('\n'));
    const QStringList sections = doc.sections();
    const QString section = sections.isEmpty() ? QStringLiteral("Fuzz") : sections.first();
    doc.setValue(section, QStringLiteral("FuzzKey"), value);
    // New keys in every section, so that later sections shift below earlier ones.
    for (const QString& s : sections)
        doc.setValue(s, QStringLiteral("Added"), QStringLiteral("1"));
    const IniDocument written = IniDocument::parse(doc.serialize());
    check(written.value(section, QStringLiteral("FuzzKey")) == value, "a written value does not read back");
    sameContents(doc, written);
    sameContents(written, doc);
    return 0;
}
