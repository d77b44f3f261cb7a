#include <gtest/gtest.h>
#include <zip.h>

#include <QTemporaryDir>
#include <QtEndian>
#include <functional>
#include <optional>

#include "TestFiles.h"
#include "XlsxFixtures.h"
#include "zip/ZipArchive.h"

using ziparchive::Archive;
using ziparchive::Failure;
using ziparchive::Limits;

namespace {

constexpr Limits kRoomy{1024 * 1024, 4 * 1024 * 1024, 100};

const xlsxfixtures::Parts kParts{{"OFD.xml", "<OFD/>"},
                                 {"Doc_0/Document.xml", QByteArray("<Document/>").repeated(50)}};

// The failure opening and reading every entry gives, or nothing.
std::optional<Failure> failureOf(const std::function<void()>& reading) {
    try {
        reading();
    } catch (const ziparchive::Error& error) {
        return error.failure();
    }
    return std::nullopt;
}

class ZipArchiveTest : public ::testing::Test {
protected:
    QString write(const QString& name, const xlsxfixtures::Parts& parts) {
        const QString path = dir.filePath(name);
        xlsxfixtures::writeZip(path, parts);
        return path;
    }
    // The same package read from its file and from its bytes fails alike.
    std::optional<Failure> failureBothWays(const QString& path, const QString& entry,
                                           const Limits& limits = kRoomy) {
        const std::optional<Failure> fromFile =
            failureOf([&] { Archive(path, limits).read(entry); });
        const std::optional<Failure> fromBytes =
            failureOf([&] { Archive(testfiles::readBytes(path), limits).read(entry); });
        EXPECT_EQ(fromFile, fromBytes);
        return fromBytes;
    }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(ZipArchiveTest, APackageFromBytesReadsAsFromItsFile) {
    const QString path = write("package.zip", kParts);
    Archive fromFile(path, kRoomy);
    Archive fromBytes(testfiles::readBytes(path), kRoomy);
    for (const auto& [name, contents] : kParts) {
        EXPECT_EQ(fromFile.read(name), contents);
        EXPECT_EQ(fromBytes.read(name), contents);
    }
}

TEST_F(ZipArchiveTest, NamesMatchExactlyElseAsPackagesNameTheirParts) {
    Archive archive(testfiles::readBytes(write(
                        "names.zip", {{"Doc_0/Page.xml", "lower"}, {"DOC_0/PAGE.XML", "upper"}})),
                    kRoomy);
    EXPECT_EQ(archive.read("DOC_0/PAGE.XML"), "upper");
    EXPECT_EQ(archive.read("doc_0/page.xml"), "lower");  // the first of those alike
    EXPECT_EQ(archive.read("/Doc_0\\Page.xml"), "lower");
    EXPECT_TRUE(archive.contains("\\doc_0/page.XML"));
    EXPECT_FALSE(archive.contains(""));
    EXPECT_FALSE(archive.contains("Doc_0"));
    EXPECT_EQ(archive.open("Doc_0/Other.xml"), nullptr);
    EXPECT_EQ(failureOf([&] { archive.read("Doc_0/Other.xml"); }), Failure::MissingEntry);
}

TEST_F(ZipArchiveTest, FailuresAreNamedByTheirKindAlikeFromFileAndBytes) {
    const QString whole = write("whole.zip", kParts);
    EXPECT_EQ(failureBothWays(whole, "OFD.xml"), std::nullopt);

    const QString notZip = dir.filePath("not.zip");
    testfiles::writeBytes(notZip, "PK\x03\x04 but nothing after");
    EXPECT_EQ(failureBothWays(notZip, "OFD.xml"), Failure::Damaged);

    const QString cut = dir.filePath("cut.zip");
    QByteArray bytes = testfiles::readBytes(whole);
    testfiles::writeBytes(cut, bytes.left(bytes.size() / 2));
    EXPECT_EQ(failureBothWays(cut, "OFD.xml"), Failure::Damaged);

    // A compression method (WavPack) libzip does not know, in the local header and the directory.
    const QString method = dir.filePath("method.zip");
    bytes = testfiles::readBytes(whole);
    for (const auto& [signature, at] :
         {std::pair{QByteArray("PK\x03\x04"), 8}, std::pair{QByteArray("PK\x01\x02"), 10}}) {
        qToLittleEndian<quint16>(97, bytes.data() + bytes.indexOf(signature) + at);
    }
    testfiles::writeBytes(method, bytes);
    EXPECT_EQ(failureBothWays(method, "OFD.xml"), Failure::UnsupportedCompression);

    const QString locked = write("locked.zip", kParts);
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(locked).constData(), 0, &error);
    ASSERT_NE(archive, nullptr);
    ASSERT_EQ(zip_file_set_encryption(archive, 0, ZIP_EM_TRAD_PKWARE, "secret"), 0);
    ASSERT_EQ(zip_close(archive), 0);
    EXPECT_EQ(failureBothWays(locked, "OFD.xml"), Failure::Encrypted);
}

TEST_F(ZipArchiveTest, ExpansionIsCountedPerEntryAndInTotalWhateverTheHeadersSay) {
    const QByteArray blanks(600 * 1024, ' ');
    const QString path = write("blanks.zip", {{"a.xml", blanks}, {"b.xml", blanks}});
    EXPECT_EQ(failureBothWays(path, "a.xml", {512 * 1024, 4 * 1024 * 1024, 100}),
              Failure::TooLarge);
    const auto both = [&](const Limits& limits) {
        return failureOf([&] {
            Archive archive(testfiles::readBytes(path), limits);
            archive.read("a.xml");
            archive.read("b.xml");
        });
    };
    EXPECT_EQ(both({1024 * 1024, 1024 * 1024, 100}), Failure::TooLarge);
    EXPECT_EQ(both({1024 * 1024, 2 * 1024 * 1024, 100}), std::nullopt);

    // Headers that claim little: counted as the bytes come, or, where sizes must be as
    // declared, damaged as soon as the claim is passed.
    xlsxfixtures::declareSize(path, "a.xml", 100);
    EXPECT_EQ(failureBothWays(path, "a.xml", {512 * 1024, 4 * 1024 * 1024, 100}),
              Failure::TooLarge);
    EXPECT_EQ(failureBothWays(path, "a.xml"), std::nullopt);
    EXPECT_EQ(failureBothWays(path, "a.xml", {1024 * 1024, 4 * 1024 * 1024, 100, true}),
              Failure::Damaged);
    EXPECT_EQ(failureBothWays(path, "b.xml", {1024 * 1024, 4 * 1024 * 1024, 100, true}),
              std::nullopt);
}

TEST_F(ZipArchiveTest, TooManyEntriesAreRefusedBeforeTheDirectoryIsRead) {
    xlsxfixtures::Parts parts;
    for (int i = 0; i < 11; ++i) {
        parts.append({QStringLiteral("part%1.xml").arg(i), "<a/>"});
    }
    const QString path = write("crowded.zip", parts);
    EXPECT_EQ(failureBothWays(path, "part0.xml", {1024, 1024 * 1024, 10}), Failure::TooLarge);
    EXPECT_EQ(failureBothWays(path, "part0.xml", {1024, 1024 * 1024, 11}), std::nullopt);

    // An end record that claims millions over a directory of three: not read, so not damaged.
    QByteArray bytes = testfiles::readBytes(write("claims.zip", kParts));
    const qsizetype end = bytes.lastIndexOf(QByteArray("PK\x05\x06", 4));
    qToLittleEndian<quint16>(60000, bytes.data() + end + 8);
    qToLittleEndian<quint16>(60000, bytes.data() + end + 10);
    const QString claims = dir.filePath("claims.zip");
    testfiles::writeBytes(claims, bytes);
    EXPECT_EQ(failureBothWays(claims, "OFD.xml", {1024, 1024 * 1024, 10000}), Failure::TooLarge);
    EXPECT_EQ(failureBothWays(claims, "OFD.xml", {1024, 1024 * 1024, 100000}), Failure::Damaged);
}
