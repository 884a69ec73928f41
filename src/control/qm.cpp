// The Quarrymink control: properties, their persistence, the container's font and
// colours, the layout of the children, and the window services of the search engine.
#include "quarrymink/qm.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QListWidget>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPointer>
#include <QProgressBar>
#include <QResizeEvent>
#include <QStyleOptionViewItem>
#include <QToolButton>
#include <QVarLengthArray>
#include <cmath>
#include <limits>
#include <type_traits>

#include "qm_p.h"
#include "quarrymink/version.h"
#include "quarrymink/widgets/about_dialog.h"
#include "quarrymink/widgets/pictures.h"
#include "quarrymink/widgets/twips.h"
#include "recode_dialogs_p.h"

using namespace quarrymink;

namespace {

QString ToQString(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

std::u16string ToU16(const QString& text) {
    return text.toStdU16String();
}

QRect ToPixels(const QPaintDevice& device, const TwipsRect& r) {
    return TwipsToPixels(device, r.left, r.top, r.width, r.height);
}

QString DefaultMessageTitle() {
    return QGuiApplication::applicationDisplayName();
}

// A number read back from a settings store: numbers as they are, texts parsed
// ("true"/"false" as settings files write Booleans). Anything else is an error.
double NumberOf(const QString& key, const QVariant& value) {
    switch (value.metaType().id()) {
        case QMetaType::Bool:
            return value.toBool() ? -1.0 : 0.0;
        case QMetaType::QString:
        case QMetaType::QByteArray: {
            const QString text = value.toString().trimmed();
            if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return -1.0;
            if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return 0.0;
            bool ok = false;
            const double number = text.toDouble(&ok);
            if (ok) return number;
            break;
        }
        default: {
            bool ok = false;
            const double number = value.toDouble(&ok);
            if (ok) return number;
            break;
        }
    }
    throw PropertyBagError("Type mismatch in the saved property " + key.toStdString());
}

template <typename Int>
Int WholeNumberOf(const QString& key, const QVariant& value) {
    const double number = std::nearbyint(NumberOf(key, value));
    if (number < static_cast<double>(std::numeric_limits<Int>::min()) ||
        number > static_cast<double>(std::numeric_limits<Int>::max()))
        throw PropertyBagError("Overflow in the saved property " + key.toStdString());
    return static_cast<Int>(number);
}

QString TextOf(const QString& key, const QVariant& value) {
    if (!value.canConvert<QString>())
        throw PropertyBagError("Type mismatch in the saved property " + key.toStdString());
    return value.toString();
}

QFont FontOf(const QString& key, const QVariant& value) {
    if (value.metaType().id() == QMetaType::QFont) return value.value<QFont>();
    QFont font;
    if (value.canConvert<QString>() && font.fromString(value.toString())) return font;
    throw PropertyBagError("Type mismatch in the saved property " + key.toStdString());
}

// What a property's saved value is compared with (and what a bag without it gives back).
QVariant SavedDefault(const ControlProperty& p) {
    switch (p.kind) {
        case PropertyKind::Text:
            return QString();
        case PropertyKind::Boolean:
            return p.initial != 0;
        case PropertyKind::Colour:
            return QVariant::fromValue(static_cast<qint32>(p.initial));
        default:
            return p.initial;
    }
}

QVariant SavedValue(const PropertyField& field) {
    return std::visit(
        [](auto* value) -> QVariant {
            using T = std::remove_pointer_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::u16string>)
                return ToQString(*value);
            else if constexpr (std::is_same_v<T, float>)
                return static_cast<double>(*value);
            else
                return *value;
        },
        field);
}

void RestoreField(const ControlProperty& p, const QString& key, const QVariant& saved,
                  const PropertyField& field) {
    std::visit(
        [&](auto* value) {
            using T = std::remove_pointer_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::u16string>)
                *value = ToU16(TextOf(key, saved));
            else if constexpr (std::is_same_v<T, bool>)
                *value = NumberOf(key, saved) != 0;
            else if constexpr (std::is_same_v<T, float>)
                *value = static_cast<float>(NumberOf(key, saved));
            else if (p.kind == PropertyKind::Int16)
                *value = WholeNumberOf<std::int16_t>(key, saved);
            else
                *value = WholeNumberOf<std::int32_t>(key, saved);
        },
        field);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Construction

QMPrivate::QMPrivate(QM* owner) : q(owner), engine(new MatchEngine(*this)) {
    ResetFields(false);
    RememberValues();
}

QMPrivate::~QMPrivate() {
    if (engine && !engine->Detach()) delete engine;
}

QM::QM(QWidget* parent) : QWidget(parent), d(std::make_unique<QMPrivate>(this)) {
    d->frame = new QGroupBox(QStringLiteral("Quarrymink"), this);
    d->frame->setObjectName(QStringLiteral("Frame1"));
    d->frame->setAutoFillBackground(true);

    d->progressBar = new QProgressBar(d->frame);
    d->progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    d->progressBar->setRange(0, 100);
    d->progressBar->setValue(0);
    d->progressBar->setTextVisible(false);

    d->list = new QListWidget(d->frame);
    d->list->setObjectName(QStringLiteral("List1"));
    d->list->setSelectionMode(QAbstractItemView::SingleSelection);

    d->stopButton = new QToolButton(d->frame);
    d->stopButton->setObjectName(QStringLiteral("cmdStop"));
    d->stopButton->setIcon(StopSignIcon());
    d->stopButton->setToolTip(tr("Stop recoding"));
    d->stopButton->setFocusPolicy(Qt::StrongFocus);
    d->stopButton->hide();
    d->stopButton->setEnabled(false);

    setTabOrder(d->list, d->stopButton);
    setFocusProxy(d->list);

    connect(d->stopButton, &QToolButton::clicked, this, [this] { d->engine->RequestStop(); });
    connect(d->list, &QListWidget::itemSelectionChanged, this, [this] { d->UserSelectedItem(); });

    d->PinChildrenLook();
    resize(sizeHint());
    d->WatchParent();
    InitProperties();
}

QM::~QM() {
    // Events let through by a search or a recode may delete the control while that work
    // is still on the stack. The engine is told to let go of this host; when it is busy it
    // deletes itself once the work has unwound.
    disconnect(d->list, nullptr, this, nullptr);
    disconnect(d->stopButton, nullptr, this, nullptr);
    if (d->watchedParent) d->watchedParent->removeEventFilter(this);
    if (d->engine->Detach()) d->engine = nullptr;
    if (d->cursorOverridden) {
        QGuiApplication::restoreOverrideCursor();
        d->cursorOverridden = false;
    }
    delete d->recodeNote;
}

// ---------------------------------------------------------------------------------------
// Notices

void QMPrivate::Notify(void (QM::*signal)(), const char* name) {
    QPointer<QM> self(q);
    RememberValues();
    emit(q->*signal)();
    if (self) emit q->PropertyChanged(QString::fromLatin1(name));
}

void QMPrivate::RememberValues() {
    const std::span<const ControlProperty> properties = ControlProperties();
    remembered.resize(properties.size());
    for (std::size_t i = 0; i < properties.size(); ++i)
        if (properties[i].field) Remember(properties[i].field(*this), remembered[i]);
}

void QMPrivate::ResetFields(bool savedOnly) {
    for (const ControlProperty& p : ControlProperties()) {
        if (!p.field || (savedOnly && !p.persisted)) continue;
        std::visit(
            [&p](auto* value) {
                using T = std::remove_pointer_t<decltype(value)>;
                if constexpr (std::is_same_v<T, std::u16string>)
                    value->clear();
                else
                    *value = static_cast<T>(p.initial);
            },
            p.field(*this));
    }
}

void QMPrivate::NoticeResults() {
    // The engine writes some properties itself (the results of a search, a Compare it
    // resets); a host that binds to them still hears of the change. Everything is taken
    // note of before the first signal, as a handler may start another search.
    const std::span<const ControlProperty> properties = ControlProperties();
    QVarLengthArray<void (QM::*)(), 32> changed;
    for (std::size_t i = 0; i < properties.size(); ++i)
        if (properties[i].field && Remember(properties[i].field(*this), remembered[i]))
            changed.push_back(properties[i].notify);
    // A handler may delete the control: then this object is gone too.
    QM* const owner = q;
    QPointer<QM> self(owner);
    for (const auto signal : changed) {
        if (!self) return;
        emit(owner->*signal)();
    }
}

// ---------------------------------------------------------------------------------------
// Properties

QString QM::TextFieldName() const {
    return ToQString(d->engine->Settings().textFieldName);
}
void QM::setTextFieldName(const QString& New_TextFieldName) {
    d->engine->Settings().textFieldName = ToU16(New_TextFieldName);
    d->Notify(&QM::TextFieldNameChanged, "TextFieldName");
}

QString QM::KeyFieldName() const {
    return ToQString(d->engine->Settings().keyFieldName);
}
void QM::setKeyFieldName(const QString& New_KeyFieldName) {
    d->engine->Settings().keyFieldName = ToU16(New_KeyFieldName);
    d->Notify(&QM::KeyFieldNameChanged, "KeyFieldName");
}

QString QM::IDFieldName() const {
    return ToQString(d->engine->Settings().idFieldName);
}
void QM::setIDFieldName(const QString& New_IDFieldName) {
    d->engine->Settings().idFieldName = ToU16(New_IDFieldName);
    d->Notify(&QM::IDFieldNameChanged, "IDFieldName");
}

QString QM::TableName() const {
    return ToQString(d->engine->Settings().tableName);
}
void QM::setTableName(const QString& New_TableName) {
    d->engine->Settings().tableName = ToU16(New_TableName);
    d->Notify(&QM::TableNameChanged, "TableName");
}

QString QM::SQLFilterString() const {
    return ToQString(d->engine->Settings().sqlFilterString);
}
void QM::setSQLFilterString(const QString& New_SQLFilterString) {
    d->engine->Settings().sqlFilterString = ToU16(New_SQLFilterString);
    d->Notify(&QM::SQLFilterStringChanged, "SQLFilterString");
}

QM::dbType QM::ConnectionType() const {
    return static_cast<dbType>(d->engine->Settings().connectionType);
}
void QM::setConnectionType(dbType New_ConnectionType) {
    // Not checked here: a search reports a value that fits no connection.
    d->engine->Settings().connectionType = New_ConnectionType;
    d->Notify(&QM::ConnectionTypeChanged, "ConnectionType");
}

QM::qmCompare QM::Compare() const {
    return static_cast<qmCompare>(d->engine->Settings().compare);
}
void QM::setCompare(qmCompare New_Compare) {
    // Not checked here: the search reports a value out of range and falls back to all words.
    d->engine->Settings().compare = New_Compare;
    d->Notify(&QM::CompareChanged, "Compare");
}

int QM::MaxKeyLength() const {
    return d->engine->Settings().maxKeyLength;
}
void QM::setMaxKeyLength(int New_MaxKeyLength) {
    d->engine->Settings().maxKeyLength = std::clamp<int>(
        New_MaxKeyLength, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max());
    d->Notify(&QM::MaxKeyLengthChanged, "MaxKeyLength");
}

bool QM::ShowListBox() const {
    return d->showListBox;
}
void QM::setShowListBox(bool New_ShowListBox) {
    d->showListBox = New_ShowListBox;
    d->Arrange();
    updateGeometry();
    d->Notify(&QM::ShowListBoxChanged, "ShowListBox");
}

bool QM::ShowProgressBar() const {
    return d->showProgressBar;
}
void QM::setShowProgressBar(bool New_ShowProgressBar) {
    d->showProgressBar = New_ShowProgressBar;
    d->Arrange();
    updateGeometry();
    d->Notify(&QM::ShowProgressBarChanged, "ShowProgressBar");
}

bool QM::ScoreInDatabase() const {
    return d->engine->Settings().scoreInDatabase;
}
void QM::setScoreInDatabase(bool New_ScoreInDatabase) {
    d->engine->Settings().scoreInDatabase = New_ScoreInDatabase;
    d->Notify(&QM::ScoreInDatabaseChanged, "ScoreInDatabase");
}

QString QM::SearchCode() const {
    return ToQString(d->engine->Result().searchCode);
}
void QM::setSearchCode(const QString& New_SearchCode) {
    d->engine->Result().searchCode = ToU16(New_SearchCode);
    d->Notify(&QM::SearchCodeChanged, "SearchCode");
}

float QM::SearchTime() const {
    return d->engine->Result().searchTime;
}

bool QM::Cancel() const {
    return d->engine->Settings().cancel;
}
void QM::setCancel(bool New_Cancel) {
    d->engine->Settings().cancel = New_Cancel;
    d->Notify(&QM::CancelChanged, "Cancel");
}

int QM::IDValue() const {
    return d->engine->Result().idValue;
}

QString QM::TextValue() const {
    return ToQString(d->engine->Result().textValue);
}
void QM::setTextValue(const QString& New_TextValue) {
    d->engine->Result().textValue = ToU16(New_TextValue);
    d->Notify(&QM::TextValueChanged, "TextValue");
}

bool QM::FinalMatchItem() const {
    return d->engine->Result().finalMatchItem;
}

QColor QM::BackColor() const {
    return palette().color(QPalette::Window);
}
void QM::setBackColor(const QColor& New_BackColor) {
    QPalette surface = palette();
    surface.setColor(QPalette::Window, New_BackColor);
    setPalette(surface);
    setAutoFillBackground(true);
    QPalette framePalette = d->frame->palette();
    framePalette.setColor(QPalette::Window, New_BackColor);
    d->frame->setPalette(framePalette);
    d->Notify(&QM::BackColorChanged, "BackColor");
}

QColor QM::ForeColor() const {
    return palette().color(QPalette::WindowText);
}
void QM::setForeColor(const QColor& New_ForeColor) {
    // Styles draw a frame's caption in either of the two text roles.
    QPalette surface = palette();
    surface.setColor(QPalette::WindowText, New_ForeColor);
    surface.setColor(QPalette::Text, New_ForeColor);
    setPalette(surface);
    QPalette framePalette = d->frame->palette();
    framePalette.setColor(QPalette::WindowText, New_ForeColor);
    framePalette.setColor(QPalette::Text, New_ForeColor);
    d->frame->setPalette(framePalette);
    d->Notify(&QM::ForeColorChanged, "ForeColor");
}

QFont QM::Font() const {
    return font();
}
void QM::setFont(const QFont& New_Font) {
    // The frame and the list follow in changeEvent, also when QWidget::setFont is called.
    QWidget::setFont(New_Font);
    d->Notify(&QM::FontChanged, "Font");
}

std::uint32_t QM::ToOleColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return static_cast<std::uint32_t>(rgb.red()) | static_cast<std::uint32_t>(rgb.green()) << 8 |
           static_cast<std::uint32_t>(rgb.blue()) << 16;
}

QColor QM::FromOleColor(std::uint32_t value) {
    if (value & 0x80000000u) {
        // A system colour by its index.
        const QPalette system = QApplication::palette();
        switch (value & 0xFFu) {
            case 5:
                return system.color(QPalette::Base);  // window background
            case 8:
                return system.color(QPalette::Text);  // window text
            case 13:
                return system.color(QPalette::Highlight);
            case 14:
                return system.color(QPalette::HighlightedText);
            case 15:
                return system.color(QPalette::Button);  // button face
            case 16:
                return system.color(QPalette::Dark);  // button shadow
            case 17:
                return system.color(QPalette::Disabled, QPalette::Text);
            case 18:
                return system.color(QPalette::ButtonText);
            case 20:
                return system.color(QPalette::Light);
            case 23:
                return system.color(QPalette::ToolTipText);
            case 24:
                return system.color(QPalette::ToolTipBase);
            default:
                return system.color(QPalette::Window);
        }
    }
    return QColor(static_cast<int>(value & 0xFFu), static_cast<int>((value >> 8) & 0xFFu),
                  static_cast<int>((value >> 16) & 0xFFu));
}

QString QM::DisplayName() const {
    return objectName().isEmpty() ? QStringLiteral("QM") : objectName();
}

// ---------------------------------------------------------------------------------------
// Methods

QString QM::MakeCode(const QString& text) {
    return ToQString(d->engine->MakeCode(ToU16(text)));
}

QString QM::SimpleSoundex(const QString& a) const {
    return ToQString(d->engine->SimpleSoundex(ToU16(a)));
}

void QM::BestMatchSearch(quarrymink::Connection* db, QString& searchText) {
    // The engine lets events through; one of them may delete this control. Nothing of
    // this object is touched after the search unless it is still there.
    QPointer<QM> self(this);
    MatchEngine* engine = d->engine;
    std::u16string text = ToU16(searchText);
    engine->BestMatchSearch(db, text);
    searchText = ToQString(text);
    if (self) d->NoticeResults();
}

void QM::Recode(quarrymink::Connection* db) {
    QPointer<QM> self(this);
    MatchEngine* engine = d->engine;
    engine->Recode(db);
    if (self) d->NoticeResults();
}

bool QM::SetToBestMatch() {
    const bool found = d->engine->SetToBestMatch();
    d->NoticeResults();
    return found;
}

void QM::SetToNextMatch() {
    d->engine->SetToNextMatch();
    d->NoticeResults();
}

void QM::ShowAboutBox() {
    QPointer<AboutDialog> box = new AboutDialog(QStringLiteral("Quarrymink"), QUARRYMINK_VERSION_MAJOR,
                                                QUARRYMINK_VERSION_MINOR, QUARRYMINK_VERSION_PATCH, this);
    box->exec();
    delete box;
}

void QMPrivate::UserSelectedItem() {
    if (updatingList) return;
    const QList<QListWidgetItem*> selected = list->selectedItems();
    if (selected.isEmpty()) return;
    if (!engine->ListItemSelected(list->row(selected.first()))) return;
    QPointer<QM> self(q);
    NoticeResults();
    if (self) emit q->ListItemSelected(ToQString(engine->Result().textValue), engine->Result().idValue);
}

// ---------------------------------------------------------------------------------------
// Persistence and the container's font and colours

void QM::InitProperties() {
    QPointer<QM> self(this);
    const QWidget* container = parentWidget();
    const QPalette ambient = container ? container->palette() : QApplication::palette();
    setFont(container ? container->font() : QApplication::font());
    if (!self) return;
    setBackColor(ambient.color(QPalette::Window));
    if (!self) return;
    setForeColor(ambient.color(QPalette::WindowText));
    if (!self) return;

    d->ResetFields(true);
    d->RememberValues();
    d->Arrange();
}

void QM::AmbientChanged() {
    QPointer<QM> self(this);
    const QWidget* container = parentWidget();
    const QPalette ambient = container ? container->palette() : QApplication::palette();
    const QFont ambientFont = container ? container->font() : QApplication::font();
    setFont(ambientFont);
    if (!self) return;
    setBackColor(ambient.color(QPalette::Window));
    if (!self) return;
    setForeColor(ambient.color(QPalette::WindowText));
    for (const char* name : {"BackColor", "ForeColor", "Font"}) {
        if (!self) return;
        emit PropertyChanged(QString::fromLatin1(name));
    }
}

void QM::ReadProperties(const PropertyBag& bag) {
    // Read in the saved order; a value that cannot be read stops the restore with the
    // values before it in place. The fields are restored quietly; the colours and the font
    // go through their setters, which notify the host.
    QPointer<QM> self(this);
    for (const ControlProperty& p : ControlProperties()) {
        if (!p.persisted) continue;
        const QString key = QString::fromLatin1(p.name);
        if (p.field) {
            RestoreField(p, key, bag.ReadProperty(key, SavedDefault(p)), p.field(*d));
            continue;
        }
        if (p.kind == PropertyKind::Colour) {
            const QVariant value = bag.ReadProperty(key, SavedDefault(p));
            const auto colour = static_cast<std::uint32_t>(WholeNumberOf<std::int64_t>(key, value));
            setProperty(p.name, FromOleColor(colour));
        } else {
            const QWidget* container = parentWidget();
            const QFont ambient = container ? container->font() : QApplication::font();
            setProperty(p.name, FontOf(key, bag.ReadProperty(key, ambient)));
        }
        if (!self) return;
    }
    d->RememberValues();
    d->Arrange();
    updateGeometry();
}

void QM::WriteProperties(PropertyBag& bag) const {
    for (const ControlProperty& p : ControlProperties()) {
        if (!p.persisted) continue;
        const QString key = QString::fromLatin1(p.name);
        if (p.field) {
            bag.WriteProperty(key, SavedValue(p.field(*d)), SavedDefault(p));
        } else if (p.kind == PropertyKind::Colour) {
            const QColor colour = property(p.name).value<QColor>();
            bag.WriteProperty(key, static_cast<qint32>(ToOleColor(colour)), SavedDefault(p));
        } else {
            // The default is a font name, never equal to a font: the font is always written.
            bag.WriteProperty(key, property(p.name), QStringLiteral("Ms Sans Serif"));
        }
    }
}

void QMPrivate::WatchParent() {
    if (watchedParent) watchedParent->removeEventFilter(q);
    watchedParent = q->parentWidget();
    if (watchedParent) watchedParent->installEventFilter(q);
}

bool QM::eventFilter(QObject* watched, QEvent* event) {
    if (watched == d->watchedParent &&
        (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)) {
        AmbientChanged();
    }
    return QWidget::eventFilter(watched, event);
}

bool QM::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::ParentChange && d) {
        d->WatchParent();
        if (d->watchedParent) AmbientChanged();
    }
    return handled;
}

void QM::changeEvent(QEvent* event) {
    if (!d || !d->frame) return QWidget::changeEvent(event);  // children not made yet
    switch (event->type()) {
        case QEvent::FontChange:
            d->frame->setFont(font());
            d->list->setFont(font());
            d->PlaceChildren();  // the list's rows have another height now
            break;
        case QEvent::ApplicationPaletteChange:
        case QEvent::ApplicationFontChange:
        case QEvent::StyleChange:
            d->PinChildrenLook();
            break;
        default:
            break;
    }
    QWidget::changeEvent(event);
}

void QMPrivate::PinChildrenLook() {
    // A palette or font with every entry marked as set is not inherited from the frame.
    const auto pinPalette = [](QWidget* w) {
        QPalette palette = QApplication::palette(w);
        palette.setResolveMask(~QPalette::ResolveMask(0));
        w->setPalette(palette);
    };
    const auto pinFont = [](QWidget* w) {
        QFont font = QApplication::font(w);
        font.setResolveMask(QFont::AllPropertiesResolved);
        w->setFont(font);
    };
    pinPalette(progressBar);
    pinFont(progressBar);
    pinPalette(stopButton);
    pinFont(stopButton);
    pinPalette(list);
}

// ---------------------------------------------------------------------------------------
// Layout

QSize QM::sizeHint() const {
    ControlGeometry design;
    const int height = (!d->showListBox && d->showProgressBar) ? design.Bottom() : design.height;
    return TwipsToPixels(*this, design.width, height);
}

QSize QM::minimumSizeHint() const {
    return {TwipsToPixelsCeilX(*this, ControlGeometry::kMinimumWidth),
            TwipsToPixelsCeilY(*this, d->geometry.Bottom())};
}

void QM::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (d && d->frame) d->Arrange();
}

void QMPrivate::Arrange() {
    // Resizing the control runs the layout again from its resize event; the depth bound
    // keeps rounding between twips and pixels from going round in circles.
    if (arrangeDepth > 2) return;
    ++arrangeDepth;
    const int width = PixelsToTwipsX(*q, q->width());
    const int height = PixelsToTwipsY(*q, q->height());
    geometry.width = width;
    geometry.height = height;
    geometry.Arrange(showListBox, showProgressBar);
    PlaceChildren();
    if (geometry.width != width || geometry.height != height) {
        const int w = geometry.width != width ? TwipsToPixelsCeilX(*q, geometry.width) : q->width();
        const int h = geometry.height != height ? TwipsToPixelsCeilY(*q, geometry.height) : q->height();
        if (w != q->width() || h != q->height()) q->resize(w, h);
    }
    --arrangeDepth;
}

void QMPrivate::PlaceChildren() {
    frame->setGeometry(ToPixels(*q, geometry.frame));
    progressBar->setGeometry(ToPixels(*q, geometry.progressBar));
    progressBar->setVisible(geometry.progressBarVisible);
    list->setGeometry(WholeRows(ToPixels(*q, geometry.list)));
    list->setVisible(geometry.listVisible && !recoding);
    stopButton->setGeometry(ToPixels(*q, geometry.stop));
    stopButton->setIconSize(stopButton->size() - QSize(4, 4));
    stopButton->setVisible(geometry.stopVisible);
    stopButton->setEnabled(geometry.stopEnabled);
}

QRect QMPrivate::WholeRows(QRect listRect) const {
    // A list box shows whole rows only: a row cut in half at the bottom looks like a
    // drawing fault, and the list would end flush against whatever lies below the control.
    QStyleOptionViewItem row;
    row.initFrom(list);
    row.font = list->font();
    row.fontMetrics = QFontMetrics(row.font);
    row.features = QStyleOptionViewItem::HasDisplay;
    row.text = QStringLiteral("Xg");
    const QSize rowSize = list->style()->sizeFromContents(QStyle::CT_ItemViewItem, &row, QSize(), list);
    const int rowHeight = rowSize.height() + 2 * list->spacing();
    const int frame = 2 * list->frameWidth();
    const int rows = rowHeight > 0 ? (listRect.height() - frame) / rowHeight : 0;
    if (rows >= 1) listRect.setHeight(rows * rowHeight + frame);
    return listRect;
}

void QMPrivate::ShowStopButton(bool show) {
    geometry.ShowStopButton(show, showProgressBar);
    PlaceChildren();
}

// ---------------------------------------------------------------------------------------
// Window services of the engine

std::u16string QMPrivate::DisplayName() const {
    return ToU16(q->DisplayName());
}

void QMPrivate::ShowMessage(std::u16string_view text, MessageIcon icon) {
    QString shown = ToQString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // On the heap: a host that deletes the control while the box is up deletes the box too.
    QPointer<QMessageBox> box =
        new QMessageBox(icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon,
                        DefaultMessageTitle(), shown, QMessageBox::Ok, q);
    box->exec();
    delete box;
}

RecodeChoice QMPrivate::AskRecodeWarning() {
    QPointer<RecodeWarningDialog> dialog = new RecodeWarningDialog(q);
    dialog->exec();
    if (!dialog) return RecodeChoice::None;
    const RecodeChoice choice = dialog->UserChoice();
    delete dialog;
    return choice;
}

void QMPrivate::SetProgress(int value) {
    progressBar->setValue(value);
}

void QMPrivate::ProcessEvents() {
    QCoreApplication::processEvents();
}

void QMPrivate::ListCleared() {
    updatingList = true;
    list->clear();
    updatingList = false;
}

void QMPrivate::ListInserted(int index, const MatchItem& item) {
    updatingList = true;
    auto* entry = new QListWidgetItem(ToQString(item.text));
    entry->setData(Qt::UserRole, item.id);
    list->insertItem(index, entry);
    updatingList = false;
}

void QMPrivate::ListReplaced(const std::vector<MatchItem>& items) {
    updatingList = true;
    list->clear();
    for (const MatchItem& item : items) {
        auto* entry = new QListWidgetItem(ToQString(item.text), list);
        entry->setData(Qt::UserRole, item.id);
    }
    updatingList = false;
}

double QMPrivate::ListHeightTwips() const {
    return geometry.list.height;
}

double QMPrivate::ListFontPoints() const {
    const QFont font = list->font();
    if (font.pointSizeF() > 0) return font.pointSizeF();
    return font.pixelSize() * 72.0 / q->logicalDpiY();
}

void QMPrivate::MatchFound(std::u16string_view text, std::int32_t id) {
    QPointer<QM> self(q);
    NoticeResults();
    if (self) emit q->MatchFound(ToQString(text), id);
}

// Each accepted row is told to a host connected to MatchFound, or to IDValueChanged, which
// the search changes with every accepted row.
bool QMPrivate::ListensToMatchFound() const {
    return q->isSignalConnected(QMetaMethod::fromSignal(&QM::MatchFound)) ||
           q->isSignalConnected(QMetaMethod::fromSignal(&QM::IDValueChanged));
}

void QMPrivate::BeginRecode() {
    recoding = true;
    if (q->isHidden()) {
        recodeNote = new RecodeNote(q);
        recodeNote->ShowCentred();
    }
    captionBeforeRecode = frame->title();
    frame->setTitle(captionBeforeRecode + QStringLiteral(" Recoding.."));
    ShowStopButton(true);
    if (!cursorOverridden) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        cursorOverridden = true;
    }
}

void QMPrivate::EndRecode() {
    if (cursorOverridden) {
        QGuiApplication::restoreOverrideCursor();
        cursorOverridden = false;
    }
    frame->setTitle(captionBeforeRecode);
    frame->update();
    recoding = false;
    ShowStopButton(false);
    delete recodeNote;
}
