// A window that finds names by their sound: a QM control, a line to type a name into and
// a button that searches a small SQLite names database.
//
//   names_search [database]          the window
//   names_search --search TEXT       one search, the matches printed, no window shown
#include <quarrymink/database.h>
#include <quarrymink/qm.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <memory>

namespace {

constexpr int kKeySize = 50;

const char16_t* const kNames[] = {
    u"Adams",    u"Baker",  u"Black",   u"Brown",  u"Browne", u"Clark",    u"Clarke",    u"Cohen",
    u"Davies",   u"Davis",  u"Fischer", u"Fisher", u"Jones",  u"Johnson",  u"Johnston",  u"Kohn",
    u"McKay",    u"Mackie", u"Meyer",   u"Meier",  u"Murphy", u"Schmidt",  u"Schneider", u"Smith",
    u"Smithson", u"Smyth",  u"Smythe",  u"Snyder", u"Taylor", u"Thompson", u"Thomson",   u"Wilson",
};

// Opens the database, or makes it: the table NameData with a key code for every name.
// The key field must hold MakeCode of the text field, cut to the field's size.
std::unique_ptr<quarrymink::Connection> OpenNames(const QString& path, QM& qm) {
    using namespace quarrymink;
    if (QFileInfo::exists(path)) return OpenSqlite(path.toStdString());
    std::unique_ptr<Connection> db = CreateSqlite(path.toStdString());
    TableDef table;
    table.name = u"NameData";
    table.CreateField(u"Ident", FieldDef::Type::Long).attributes = FieldDef::kAutoIncrement;
    table.CreateField(u"Name", FieldDef::Type::Text, 50);
    table.CreateField(u"Key", FieldDef::Type::Text, kKeySize);
    db->AppendTableDef(table);
    qm.setMaxKeyLength(kKeySize);
    RecordsetOptions options;
    options.updatable = true;
    std::unique_ptr<Recordset> set = db->OpenRecordset(u"NameData", options);
    for (const char16_t* name : kNames) {
        const QString text = QString::fromStdU16String(name);
        set->AddNew();
        set->SetField(u"Name", Value(name));
        set->SetField(u"Key", Value(qm.MakeCode(text).left(kKeySize).toStdU16String()));
        set->Update();
    }
    set->Close();
    return db;
}

void Configure(QM& qm) {
    qm.setTableName(QStringLiteral("NameData"));
    qm.setTextFieldName(QStringLiteral("Name"));
    qm.setKeyFieldName(QStringLiteral("Key"));
    qm.setIDFieldName(QStringLiteral("Ident"));
    qm.setConnectionType(QM::qmDAO);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Names Search"));
    const QStringList args = QApplication::arguments();
    const int searchAt = args.indexOf(QStringLiteral("--search"));

    QString path =
        QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation)).filePath("names_search.db");
    if (args.size() > 1 && searchAt != 1) path = args.at(1);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Names Search"));
    auto* edit = new QLineEdit;
    edit->setPlaceholderText(QStringLiteral("Type a name as it sounds, e.g. smyth"));
    auto* button = new QPushButton(QStringLiteral("&Search"));
    button->setDefault(true);
    auto* qm = new QM;
    qm->setObjectName(QStringLiteral("QM1"));
    auto* status = new QLabel;
    auto* row = new QHBoxLayout;
    row->addWidget(edit);
    row->addWidget(button);
    auto* layout = new QVBoxLayout(&window);
    layout->addLayout(row);
    layout->addWidget(qm, 1);
    layout->addWidget(status);

    Configure(*qm);
    std::unique_ptr<quarrymink::Connection> db;
    try {
        db = OpenNames(path, *qm);
    } catch (const quarrymink::DbError& e) {
        std::fprintf(stderr, "names_search: %s\n", e.what());
        return 2;
    }

    const auto search = [&](QString text) {
        qm->BestMatchSearch(db.get(), text);
        edit->setText(text);
        if (qm->SetToBestMatch())
            status->setText(QStringLiteral("Best match: %1 (Ident %2), %3 s")
                                .arg(qm->TextValue())
                                .arg(qm->IDValue())
                                .arg(double(qm->SearchTime()), 0, 'f', 3));
        else
            status->setText(QStringLiteral("No match"));
    };
    QObject::connect(button, &QPushButton::clicked, [&] { search(edit->text()); });
    QObject::connect(edit, &QLineEdit::returnPressed, [&] { search(edit->text()); });
    QObject::connect(qm, &QM::ListItemSelected, [&](const QString& name, int id) {
        status->setText(QStringLiteral("Picked: %1 (Ident %2)").arg(name).arg(id));
    });

    if (searchAt > 0 && searchAt + 1 < args.size()) {
        int matches = 0;
        QObject::connect(qm, &QM::MatchFound, [&](const QString& name, int id) {
            std::printf("match: %s (%d)\n", qPrintable(name), id);
            ++matches;
        });
        search(args.at(searchAt + 1));
        std::printf("%s\n", qPrintable(status->text()));
        return matches > 0 ? 0 : 1;
    }

    window.resize(360, 320);
    window.show();
    return QApplication::exec();
}
