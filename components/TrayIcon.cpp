#include "components/TrayIcon.h"

#include "components/ProgramIcon.h"
#include "catalogue/CatalogueFs.h"
#include "catalogue/Cp1251.h"
#include "catalogue/Error.h"
#include "catalogue/FileBytes.h"
#include "catalogue/Messages.h"
#include "platform/Text.h"

#include <QBuffer>
#include <QImageReader>
#include <QPixmap>
#include <QTimerEvent>

#include <algorithm>
#include <climits>

namespace kodrix {
namespace {

// The shortest period the desktop's window timers use.
constexpr std::uint32_t kMinimumTimerPeriod = 10;

// Every image of the file (all sizes of an .ico) in one icon.
QIcon iconFromBytes(const FileBytes& file) {
    const auto bytes = file.bytes();
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QIcon icon;
    for (int i = 0; i < 64; ++i) {  // an .ico directory counts at most 65535 entries; 64 sizes are plenty
        const QImage image = reader.read();
        if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
        if (!reader.jumpToNextImage()) break;
    }
    return icon;
}

// The frame file of that (upper-cased) name, each part of the path matched
// to the real names without regard to case.
QIcon loadIconFile(const std::string& nameCp1251) {
    std::filesystem::path root;
    std::string_view rel = nameCp1251;
    if (!rel.empty() && (rel.front() == '/' || rel.front() == '\\')) {
        root = "/";
        rel.remove_prefix(1);
    } else {
        std::error_code ec;
        root = std::filesystem::current_path(ec);
    }
    std::filesystem::path path;
    if (auto real = resolvePath(root, rel, EntryKind::File)) {
        path = *real;
    } else {
        std::string asWritten(rel);
        std::replace(asWritten.begin(), asWritten.end(), '\\', '/');
        path = root / cp1251ToDiskName(asWritten);
    }
    const auto file = FileBytes::open(path);
    if (!file) throw Error(messages::cannotOpenFile(nameCp1251, file.reason().errnoValue));
    return iconFromBytes(*file);
}

}  // namespace

TTrayIcon::TTrayIcon(QWidget* owner, notify::NotificationService* service)
    : QWidget(owner), service_(service ? *service : notify::systemService()) {
    resize(1, 1);
}

TTrayIcon::~TTrayIcon() {
    if (Enabled_) setEnabled(false);
}

void TTrayIcon::setEnabled(bool value) {
    if (value == Enabled_) return;
    if (value)
        Enabled_ = AddIcon();
    else
        Enabled_ = !DeleteIcon();
}

void TTrayIcon::setIcon(const QIcon& value) {
    if (&value == &Icon_) return;
    Icon_ = value;
    if (Enabled_) ModifyIcon();
}

void TTrayIcon::setDisabledIcon(const QIcon& value) {
    if (&value == &DisabledIcon_) return;
    DisabledIcon_ = value;
    if (Enabled_) ModifyIcon();
}

QString TTrayIcon::tip() const { return fromCp1251(Tip_); }

void TTrayIcon::setTip(const QString& value) {
    std::string cut = toCp1251(value);
    if (cut.size() > std::size_t(kMaxTipLength)) cut.resize(kMaxTipLength);
    if (cut == Tip_) return;
    Tip_ = std::move(cut);
    if (Enabled_) ModifyIcon();
}

void TTrayIcon::setShowTip(bool value) {
    if (value == ShowTip_) return;
    ShowTip_ = value;
    if (Enabled_) ModifyIcon();
}

void TTrayIcon::setTaskIconID(std::uint32_t value) {
    if (value == TaskIconID_) return;
    TaskIconID_ = value;
    if (Enabled_) ModifyIcon();
}

void TTrayIcon::setState(TStateTaskIcon value) {
    if (value == State_) return;
    State_ = value;
    if (State_ == tiAnimated) {
        FFrameIndex = 0;
        LoadFrameIcon();
        if (Enabled_) startAnimationTimer();
    } else if (Enabled_) {
        animationTimer_.stop();
    }
    if (Enabled_) ModifyIcon();
}

void TTrayIcon::setIconList(const QStringList& value) { IconList_ = value; }

void TTrayIcon::setInterval(std::uint32_t value) {
    if (value == Interval_) return;
    Interval_ = value;
    if (!Enabled_) return;
    // The timer restarts from the first frame whatever the state (a new
    // interval takes effect at once); only an animated icon shows the frames.
    animationTimer_.stop();
    startAnimationTimer();
    FFrameIndex = 0;
    LoadFrameIcon();
}

void TTrayIcon::setWhereIcons(TWhereTaskIcon value) { WhereIcons_ = value; }

void TTrayIcon::startAnimationTimer() {
    const std::uint32_t period = std::clamp<std::uint32_t>(Interval_, kMinimumTimerPeriod, INT_MAX);
    animationTimer_.start(int(period), this);
}

notify::IconRecord TTrayIcon::currentRecord() const {
    notify::IconRecord record;
    record.size = notify::IconRecord::kRecordSize;
    record.window = const_cast<TTrayIcon*>(this);
    record.id = TaskIconID_;
    record.flags = notify::kFlagMessage | notify::kFlagIcon | notify::kFlagTip;
    switch (State_) {
    case tiEnabled: record.icon = Icon_; break;
    case tiDisabled: record.icon = DisabledIcon_; break;
    case tiAnimated: record.icon = FFrameIcon; break;
    }
    if (ShowTip_) record.tip = Tip_.substr(0, notify::kTipCapacity);
    record.callbackMessage = kCallbackMessage;
    return record;
}

bool TTrayIcon::AddIcon() {
    FFrameIndex = 0;
    LoadFrameIcon();
    if (State_ == tiAnimated) startAnimationTimer();
    FIconData = currentRecord();
    return service_.add(FIconData);
}

bool TTrayIcon::DeleteIcon() {
    // The record of the add: the same window and identifier. The animation
    // timer keeps running.
    return service_.remove(FIconData);
}

bool TTrayIcon::ModifyIcon() { return service_.modify(currentRecord()); }

void TTrayIcon::LoadFrameIcon() {
    if (IconList_.isEmpty()) return;
    if (FFrameIndex < 0 || FFrameIndex >= IconList_.size()) throw Error(messages::listIndexOutOfBounds(FFrameIndex));
    FIconName = cp1251::upper(toCp1251(IconList_.at(FFrameIndex)));
    if (WhereIcons_ == tiInExe)
        FFrameIcon = programIconResource(fromCp1251(FIconName));
    else
        FFrameIcon = loadIconFile(FIconName);
}

void TTrayIcon::WMIconCallback(std::int64_t wParam, std::uint32_t lParam) {
    if (wParam < 0 || std::uint64_t(wParam) != TaskIconID_) return;
    const QPoint pos = service_.cursorPos();
    const TShiftState shift;
    switch (lParam) {
    case notify::kLeftButtonDown:
        if (OnMouseDown) OnMouseDown(this, mbLeft, shift, pos.x(), pos.y());
        break;
    case notify::kLeftButtonUp:
        if (OnMouseUp)
            OnMouseUp(this, mbLeft, shift, pos.x(), pos.y());
        else if (OnClick)
            OnClick(this);
        break;
    case notify::kLeftButtonDoubleClick:
        if (OnDblClick) OnDblClick(this);
        break;
    case notify::kRightButtonDown:
        if (OnMouseDown) OnMouseDown(this, mbRight, shift, pos.x(), pos.y());
        break;
    case notify::kRightButtonUp:
        if (OnMouseUp)
            OnMouseUp(this, mbRight, shift, pos.x(), pos.y());
        else if (OnClick)
            OnClick(this);
        break;
    default:  // pointer moves, the middle button, ...
        break;
    }
}

void TTrayIcon::WMTimer(std::uint32_t timerId) {
    if (timerId != FTimerID || IconList_.isEmpty()) return;
    if (++FFrameIndex >= IconList_.size()) FFrameIndex = 0;
    LoadFrameIcon();
    if (Enabled_) ModifyIcon();
    if (State_ == tiAnimated && Enabled_ && OnAnimate) OnAnimate(this);
}

void TTrayIcon::handleMessage(const std::function<void()>& handle) {
    if (guard_) {
        guard_(handle);
        return;
    }
    try {
        handle();
    } catch (const std::exception&) {
        // No error report installed: the message is abandoned.
    }
}

bool TTrayIcon::event(QEvent* e) {
    if (e->type() == notify::IconMessageEvent::eventType()) {
        const auto* message = static_cast<notify::IconMessageEvent*>(e);
        if (message->message == kCallbackMessage)
            handleMessage([this, wParam = message->wParam, lParam = message->lParam] { WMIconCallback(wParam, lParam); });
        return true;
    }
    return QWidget::event(e);
}

void TTrayIcon::timerEvent(QTimerEvent* e) {
    if (e->timerId() == animationTimer_.timerId()) {
        handleMessage([this] { WMTimer(FTimerID); });
        return;
    }
    QWidget::timerEvent(e);
}

}  // namespace kodrix
