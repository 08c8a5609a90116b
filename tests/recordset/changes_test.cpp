// Packets saved with their changes unmerged: what a reader sees after
// opening them.
#include <gtest/gtest.h>

#include "orv00006/platform/dbclient.h"
#include "packet_builder.h"

using namespace plat;
using namespace rstest;

namespace {

// Two columns: CODIGO i4, NOME string(20).
const std::vector<Column>& Cols() {
    static const std::vector<Column> cols = {{"CODIGO", TypeWord(1, 4)},
                                             {"NOME", TypeWord(9, 1, true), {WidthProp(20)}}};
    return cols;
}

Row Stored(unsigned status, int code, const QByteArray& name) {
    return {status, {0, 0}, Bytes().u32(static_cast<std::uint32_t>(code)).name(name)};
}
// A changed version that stores only the name; the code is 'unchanged'.
Row NameOnly(unsigned status, const QByteArray& name) { return {status, {2, 0}, Bytes().name(name)}; }

struct Visible {
    int code;
    QByteArray name;
};

struct ChangeCase {
    const char* label;
    std::vector<Row> rows;
    std::vector<std::uint32_t> changeLog;
    std::vector<Visible> expected;
};

std::vector<Row> NineteenRows() {
    // The shape of a real file: 18 originals and, as row 19, a modified
    // version of row 1.
    std::vector<Row> rows;
    for (int i = 1; i <= 18; ++i) rows.push_back(Stored(0, i, "R" + QByteArray::number(i)));
    rows.push_back(Stored(8, 100, "R1 alterado"));
    return rows;
}

std::vector<Visible> NineteenVisible() {
    std::vector<Visible> out = {{100, "R1 alterado"}};
    for (int i = 2; i <= 18; ++i) out.push_back({i, "R" + QByteArray::number(i)});
    return out;
}

std::vector<ChangeCase> Cases() {
    return {
        {"modified_replaces_its_original", NineteenRows(), {19, 1, 8}, NineteenVisible()},
        {"deleted_row_is_gone",
         {Stored(0, 1, "um"), Stored(2, 2, "dois"), Stored(0, 3, "tres")},
         {},
         {{1, "um"}, {3, "tres"}}},
        {"deleted_modified_and_unchanged_fields",
         {Stored(0, 1, "um"), Stored(2, 2, "dois"), Stored(0, 3, "tres"), NameOnly(8, "um alterado")},
         {2, 0, 2, 4, 1, 8},
         {{1, "um alterado"}, {3, "tres"}}},
        {"chain_of_modifications",
         {Stored(0, 1, "um"), Stored(0, 2, "dois"), NameOnly(8, "um v2"), Stored(8, 7, "um v3")},
         {3, 1, 8, 4, 3, 8},
         {{7, "um v3"}, {2, "dois"}}},
        {"deletion_named_by_the_log",
         {Stored(0, 1, "um"), Stored(0, 2, "dois"), Stored(2, 1, "um")},
         {3, 1, 2},
         {{2, "dois"}}},
        {"inserted_row_stays_in_place",
         {Stored(0, 1, "um"), Stored(4, 5, "novo"), Stored(0, 2, "dois")},
         {2, 0, 4},
         {{1, "um"}, {5, "novo"}, {2, "dois"}}},
        {"everything_deleted", {Stored(2, 1, "um"), Stored(2, 2, "dois")}, {1, 0, 2, 2, 0, 2}, {}},
    };
}

void ExpectVisible(TClientDataSet& cds, const std::vector<Visible>& expected) {
    EXPECT_EQ(cds.RecordCount(), static_cast<int>(expected.size()));
    cds.First();
    for (const Visible& v : expected) {
        ASSERT_FALSE(cds.Eof());
        EXPECT_EQ(cds.FieldByName(QStringLiteral("CODIGO"))->AsFloat(), v.code);
        EXPECT_EQ(cds.FieldByName(QStringLiteral("NOME"))->AsString(), QString::fromLatin1(v.name));
        cds.Next();
    }
    EXPECT_TRUE(cds.Eof());
}

void PrintTo(const ChangeCase& c, std::ostream* os) { *os << c.label; }

class SavedChanges : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(SavedChanges, VisibleRecordsAfterOpening) {
    const ChangeCase& c = GetParam();
    std::vector<QByteArray> props;
    if (!c.changeLog.empty()) props.push_back(ChangeLogProp(c.changeLog));
    TClientDataSet cds;
    cds.LoadFromBytes(Packet(Cols(), c.rows, props));
    EXPECT_TRUE(cds.HeldSavedChanges());
    // The record current after opening is the first visible one.
    if (!c.expected.empty()) {
        EXPECT_EQ(cds.RecNo(), 1);
        EXPECT_EQ(cds.FieldByName(QStringLiteral("CODIGO"))->AsFloat(), c.expected.front().code);
    }
    ExpectVisible(cds, c.expected);

    // Written back, the changes are merged: the same records, plain rows.
    TClientDataSet merged;
    merged.SetData(cds.Data());
    ExpectVisible(merged, c.expected);
    EXPECT_FALSE(merged.HeldSavedChanges());
    for (const auto form : {TDataPacketFormat::dfXML, TDataPacketFormat::dfXMLUTF8}) {
        TClientDataSet viaXml;
        viaXml.LoadFromBytes(cds.SaveToBytes(form));
        ExpectVisible(viaXml, c.expected);
        EXPECT_FALSE(cds.SaveToBytes(form).contains("RowState"));
        EXPECT_FALSE(cds.SaveToBytes(form).contains("CHANGE_LOG"));
    }
}

INSTANTIATE_TEST_SUITE_P(Binary, SavedChanges, ::testing::ValuesIn(Cases()),
                         [](const auto& tp) { return std::string(tp.param.label); });

// The XML form of the same thing: RowState and PARAMS CHANGE_LOG.
TEST(SavedChangesXml, ModifiedRowReplacesItsOriginal) {
    QByteArray xml =
        "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
        "<FIELD attrname=\"CODIGO\" fieldtype=\"i4\"/><FIELD attrname=\"NOME\" fieldtype=\"string\" WIDTH=\"20\"/>"
        "</FIELDS><PARAMS CHANGE_LOG=\"4 1 8 2 0 2\"/></METADATA><ROWDATA>"
        "<ROW CODIGO=\"1\" NOME=\"um\"/><ROW RowState=\"2\" CODIGO=\"2\" NOME=\"dois\"/>"
        "<ROW CODIGO=\"3\" NOME=\"tres\"/><ROW RowState=\"8\" NOME=\"um alterado\"/>"
        "</ROWDATA></DATAPACKET>";
    TClientDataSet cds;
    cds.LoadFromBytes(xml);
    ExpectVisible(cds, {{1, "um alterado"}, {3, "tres"}});
    EXPECT_TRUE(cds.HeldSavedChanges());
}

// Rows stored as original (status 1) or with no status are plain records.
TEST(SavedChangesHeld, NoneInPlainRowsNorInAClosedSet) {
    TClientDataSet cds;
    cds.LoadFromBytes(Packet(Cols(), {Stored(0, 1, "um"), Stored(1, 2, "dois")}));
    EXPECT_FALSE(cds.HeldSavedChanges());
    cds.LoadFromBytes(Packet(Cols(), {Stored(0, 1, "um"), Stored(2, 2, "dois")}));
    EXPECT_TRUE(cds.HeldSavedChanges());
    cds.Close();
    EXPECT_FALSE(cds.HeldSavedChanges());
}

struct BadLog {
    const char* label;
    std::vector<std::uint32_t> changeLog;
    const char* message;
};

void PrintTo(const BadLog& c, std::ostream* os) { *os << c.label; }

class BadChangeLog : public ::testing::TestWithParam<BadLog> {};

TEST_P(BadChangeLog, IsRefusedClearly) {
    const std::vector<Row> rows = {Stored(0, 1, "um"), Stored(8, 2, "dois"), Stored(8, 3, "tres")};
    TClientDataSet cds;
    try {
        cds.LoadFromBytes(Packet(Cols(), rows, {ChangeLogProp(GetParam().changeLog)}));
        FAIL() << "opened";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains(QString::fromUtf8(GetParam().message))) << e.what();
        EXPECT_TRUE(e.Message().contains(QStringLiteral("CHANGE_LOG"))) << e.what();
    }
    EXPECT_FALSE(cds.Active());
}

INSTANTIATE_TEST_SUITE_P(Binary, BadChangeLog,
                         ::testing::Values(BadLog{"row_out_of_range", {9, 1, 8}, "cita o registro 9"},
                                           BadLog{"original_out_of_range", {2, 7, 8}, "registro original 7"},
                                           BadLog{"row_zero", {0, 1, 8}, "cita o registro 0"},
                                           BadLog{"not_triples", {2, 1}, "não formam triplas"},
                                           BadLog{"own_original", {2, 2, 8}, "original de si mesmo"},
                                           BadLog{"cycle", {2, 1, 8, 3, 2, 8, 2, 3, 8}, "ciclo"}),
                         [](const auto& tp) { return std::string(tp.param.label); });

}  // namespace
