// Skins: the shipped skin files must load cleanly and keep text readable, and the skin menu must
// pick, apply and remember files the way the menu promises.
#include "app/skins.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QStringDecoder>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#ifndef TAVU_DIST_DIR
#error "TAVU_DIST_DIR must name the folder of shipped data files"
#endif

using namespace tavu;

namespace {

// What Qt says about style sheets while a test runs: parse errors and unknown properties.
// (The offscreen platform's own notices are no concern here.)
QStringList g_qtWarnings;

void CollectQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtDebugMsg || type == QtInfoMsg) return;
    if (text.contains(QLatin1String("stylesheet"), Qt::CaseInsensitive) ||
        text.contains(QLatin1String("style sheet"), Qt::CaseInsensitive) ||
        text.contains(QLatin1String("property"), Qt::CaseInsensitive) ||
        text.contains(QLatin1String("parse"), Qt::CaseInsensitive))
        g_qtWarnings << text;
}

QString DistDir() { return QString::fromUtf8(TAVU_DIST_DIR); }

QString ReadUtf8(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Leaves no style sheet behind for the next test.
class SkinTest : public ::testing::Test {
protected:
    void SetUp() override {
        qApp->setStyleSheet(QString());
        g_qtWarnings.clear();
    }
    void TearDown() override { qApp->setStyleSheet(QString()); }
};

// ---------------------------------------------------------------------------------------------
// Menu entries and their files

TEST(SkinFiles, MenuEntriesMapToTheShippedFiles) {
    const QString dir = QStringLiteral("/opt/tavu");
    EXPECT_EQ(SkinFileForMenuIndex(dir, 0), QStringLiteral("/opt/tavu/skin/浅蓝(默认).she"));
    EXPECT_EQ(SkinFileForMenuIndex(dir, 1), QStringLiteral("/opt/tavu/skin/QQ2008皮肤.she"));
    EXPECT_EQ(SkinFileForMenuIndex(dir, 2), QStringLiteral("/opt/tavu/skin/Aero皮肤.she"));
    EXPECT_EQ(SkinFileForMenuIndex(dir, 3), QStringLiteral("/opt/tavu/skin/经典黑皮肤.she"));
    EXPECT_EQ(SkinFileForMenuIndex(dir, 4), QString()) << "entry 4 asks the user";
    for (int unknown : {-1, 5, 99})
        EXPECT_EQ(SkinFileForMenuIndex(dir, unknown), SkinFileForMenuIndex(dir, 0)) << unknown;
    EXPECT_EQ(SkinMenuCaption(4), QStringLiteral("其他皮肤..."));
    EXPECT_EQ(SkinMenuCaption(5), QString());
}

TEST(SkinFiles, FirstStartUsesTheSkinBesideTheProgramNotOneOfTheMenu) {
    const QString dir = QStringLiteral("/opt/tavu");
    EXPECT_EQ(DefaultSkinFile(dir), QStringLiteral("/opt/tavu/skin.she"));
    for (int i = 0; i < kSkinMenuEntryCount; ++i) EXPECT_NE(DefaultSkinFile(dir), SkinFileForMenuIndex(dir, i));
}

// ---------------------------------------------------------------------------------------------
// Applying a file

TEST_F(SkinTest, AppliesTheFileTextExactlyAsUtf8) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("蓝色.she"));
    const QString sheet = QStringLiteral("QLabel { font-family: \"文泉驿微米黑\"; color: #123456; }\n");
    ASSERT_TRUE(WriteBytes(path, sheet.toUtf8()));
    EXPECT_TRUE(ApplySkinFile(path));
    EXPECT_EQ(qApp->styleSheet(), sheet);
}

TEST_F(SkinTest, ByteOrderMarkIsNotPartOfTheSheet) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("bom.she"));
    ASSERT_TRUE(WriteBytes(path, QByteArray("\xEF\xBB\xBF") + "QLabel { color: red; }"));
    EXPECT_TRUE(ApplySkinFile(path));
    EXPECT_EQ(qApp->styleSheet(), QStringLiteral("QLabel { color: red; }"));
}

TEST_F(SkinTest, UnreadableFilesKeepTheCurrentLookSilently) {
    const QString current = QStringLiteral("QLabel { color: #010203; }");
    qApp->setStyleSheet(current);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_FALSE(ApplySkinFile(dir.filePath(QStringLiteral("missing.she"))));
    EXPECT_FALSE(ApplySkinFile(dir.path())) << "a folder is not a skin";
    EXPECT_FALSE(ApplySkinFile(QString()));
    EXPECT_EQ(qApp->styleSheet(), current);
}

TEST_F(SkinTest, AnEmptySkinFileBringsBackThePlainLook) {
    qApp->setStyleSheet(QStringLiteral("QLabel { color: #010203; }"));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("plain.she"));
    ASSERT_TRUE(WriteBytes(path, QByteArray()));
    EXPECT_TRUE(ApplySkinFile(path));
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
}

// ---------------------------------------------------------------------------------------------
// The skin menu handler

struct MenuRecorder {
    std::vector<QString> applied, persisted;
    int chooserCalls = 0;
    SkinMenuState state{QStringLiteral("/opt/tavu"),
                        [this](const QString& p) { applied.push_back(p); },
                        [this](const QString& p) { persisted.push_back(p); }};
    SkinMenuState::Chooser chooser(std::optional<QString> answer) {
        return [this, answer] {
            ++chooserCalls;
            return answer;
        };
    }
};

TEST(SkinMenu, NoEntryIsCheckedBeforeTheFirstChoice) {
    MenuRecorder r;
    EXPECT_EQ(r.state.checkedIndex(), -1);
}

TEST(SkinMenu, ChoosingAeroStoresAndAppliesItsFile) {
    MenuRecorder r;
    const QString aero = QStringLiteral("/opt/tavu/skin/Aero皮肤.she");
    const SkinChoice c = r.state.click(2, QStringLiteral("/opt/tavu/skin.she"), r.chooser(QStringLiteral("/x.she")));
    EXPECT_EQ(c.checkedIndex, 2);
    EXPECT_EQ(r.state.checkedIndex(), 2);
    EXPECT_EQ(c.skinFileName, aero);
    EXPECT_TRUE(c.appliedAndSaved);
    EXPECT_EQ(r.applied, std::vector<QString>{aero});
    EXPECT_EQ(r.persisted, std::vector<QString>{aero});
    EXPECT_EQ(r.chooserCalls, 0) << "only the last entry asks the user";
}

TEST(SkinMenu, EveryShippedEntryAndUnknownIndexUsesItsTableFile) {
    for (int index : {0, 1, 3, 7, -2}) {
        MenuRecorder r;
        const SkinChoice c = r.state.click(index, QStringLiteral("/elsewhere/old.she"), r.chooser(std::nullopt));
        const QString expected = SkinFileForMenuIndex(QStringLiteral("/opt/tavu"), index);
        EXPECT_EQ(c.skinFileName, expected) << index;
        EXPECT_EQ(r.persisted, std::vector<QString>{expected}) << index;
        EXPECT_EQ(c.checkedIndex, (index >= 0 && index < kSkinMenuEntryCount) ? index : -1) << index;
    }
}

TEST(SkinMenu, OtherSkinConfirmedStoresAndAppliesThePickedFile) {
    MenuRecorder r;
    const QString picked = QStringLiteral("/home/user/Themes/Dark.she");
    const SkinChoice c = r.state.click(4, QStringLiteral("/opt/tavu/skin/QQ2008皮肤.she"), r.chooser(picked));
    EXPECT_EQ(r.chooserCalls, 1);
    EXPECT_EQ(c.checkedIndex, 4);
    EXPECT_EQ(c.skinFileName, picked);
    EXPECT_EQ(r.applied, std::vector<QString>{picked});
    EXPECT_EQ(r.persisted, std::vector<QString>{picked});
}

TEST(SkinMenu, OtherSkinCancelledReappliesTheCurrentSkinAndKeepsTheCheckOnOther) {
    MenuRecorder r;
    const QString current = QStringLiteral("/opt/tavu/skin/经典黑皮肤.she");
    r.state.click(3, QStringLiteral("/opt/tavu/skin.she"), r.chooser(std::nullopt));
    r.applied.clear();
    r.persisted.clear();

    const SkinChoice c = r.state.click(4, current, r.chooser(std::nullopt));
    EXPECT_EQ(r.chooserCalls, 1);
    EXPECT_EQ(c.checkedIndex, 4);
    EXPECT_EQ(r.state.checkedIndex(), 4);
    EXPECT_EQ(c.skinFileName, current);
    EXPECT_TRUE(c.appliedAndSaved);
    EXPECT_EQ(r.applied, std::vector<QString>{current});
    EXPECT_EQ(r.persisted, std::vector<QString>{current});
}

TEST(SkinMenu, NothingIsAppliedOrSavedWhenNoSkinIsKnown) {
    MenuRecorder r;
    const SkinChoice cancelled = r.state.click(4, QString(), r.chooser(std::nullopt));
    EXPECT_FALSE(cancelled.appliedAndSaved);
    EXPECT_EQ(cancelled.checkedIndex, 4);
    const SkinChoice empty = r.state.click(4, QString(), r.chooser(QString()));
    EXPECT_FALSE(empty.appliedAndSaved);
    EXPECT_TRUE(r.applied.empty());
    EXPECT_TRUE(r.persisted.empty());
}

TEST_F(SkinTest, AMissingSkinIsIgnoredButStillRemembered) {
    QTemporaryDir programDir;  // holds no "skin" folder at all
    ASSERT_TRUE(programDir.isValid());
    const QString current = QStringLiteral("QLabel { color: #0A0B0C; }");
    qApp->setStyleSheet(current);

    QString stored;
    bool appliedOk = true;
    SkinMenuState state(
        programDir.path(), [&](const QString& p) { appliedOk = ApplySkinFile(p); },
        [&](const QString& p) { stored = p; });
    const SkinChoice c = state.click(1, DefaultSkinFile(programDir.path()), {});

    EXPECT_FALSE(appliedOk);
    EXPECT_EQ(qApp->styleSheet(), current);
    EXPECT_EQ(stored, programDir.path() + QStringLiteral("/skin/QQ2008皮肤.she"));
    EXPECT_EQ(c.checkedIndex, 1);
    EXPECT_TRUE(g_qtWarnings.isEmpty()) << g_qtWarnings.join('\n').toStdString();
}

// ---------------------------------------------------------------------------------------------
// The shipped skin files

// A window with every kind of control the program shows, including its named widgets.
struct Gallery {
    QMainWindow window;
    QLabel* label = nullptr;
    QLineEdit* edit = nullptr;
    QLineEdit* disabledEdit = nullptr;
    QPushButton* plainButton = nullptr;
    QPushButton* done = nullptr;
    QPushButton* stop = nullptr;
    QLabel* info = nullptr;
    QListWidget* list = nullptr;

    Gallery() {
        window.menuBar()->addMenu(QStringLiteral("界面(&K)"))->addAction(QStringLiteral("浅蓝(默认)"));
        auto* central = new QWidget;
        window.setCentralWidget(central);
        auto* grid = new QGridLayout(central);
        auto* box = new QGroupBox(QStringLiteral("1.添加照片"));
        auto* inner = new QGridLayout(box);
        label = new QLabel(QStringLiteral("照片尺寸"));
        edit = new QLineEdit(QStringLiteral("宽度800"));
        disabledEdit = new QLineEdit(QStringLiteral("高度600"));
        disabledEdit->setEnabled(false);
        list = new QListWidget;
        list->addItems({QStringLiteral("照片一.jpg"), QStringLiteral("照片二.jpg")});
        inner->addWidget(label, 0, 0);
        inner->addWidget(edit, 0, 1);
        inner->addWidget(disabledEdit, 1, 1);
        inner->addWidget(list, 2, 0, 1, 2);
        auto* combo = new QComboBox;
        combo->addItems({QStringLiteral("800x600"), QStringLiteral("1024x768")});
        inner->addWidget(combo, 3, 0);
        inner->addWidget(new QCheckBox(QStringLiteral("保持比例")), 3, 1);
        inner->addWidget(new QRadioButton(QStringLiteral("按宽度")), 4, 0);
        inner->addWidget(new QSlider(Qt::Horizontal), 4, 1);
        inner->addWidget(new QSpinBox, 5, 0);
        inner->addWidget(new QProgressBar, 5, 1);
        grid->addWidget(box, 0, 0, 1, 3);
        auto* tabs = new QTabWidget;
        tabs->addTab(new QTextBrowser, QStringLiteral("说明"));
        tabs->addTab(new QWidget, QStringLiteral("水印"));
        grid->addWidget(tabs, 1, 0, 1, 3);
        plainButton = new QPushButton(QStringLiteral("退出"));
        stop = new QPushButton(QStringLiteral("停止"));
        stop->setObjectName(QStringLiteral("cmdStop"));
        done = new QPushButton(QStringLiteral("开始处理"));
        done->setObjectName(QStringLiteral("cmdDone"));
        grid->addWidget(plainButton, 2, 0);
        grid->addWidget(stop, 2, 1);
        grid->addWidget(done, 2, 2);
        info = new QLabel(QStringLiteral("提示：已添加 2 张照片"));
        info->setObjectName(QStringLiteral("lInfo"));
        window.statusBar()->addWidget(info, 1);
        window.resize(640, 560);
    }

    // Styles every widget, menus and scroll bars included, and paints the window once.
    QImage render() {
        for (QWidget* w : window.findChildren<QWidget*>()) w->ensurePolished();
        window.ensurePolished();
        QMenu menu;
        menu.addAction(QStringLiteral("其他皮肤..."))->setCheckable(true);
        menu.ensurePolished();
        list->verticalScrollBar()->ensurePolished();
        QMessageBox box(QMessageBox::Information, QStringLiteral("提示"), QStringLiteral("处理完成"));
        box.ensurePolished();
        window.show();
        QApplication::processEvents();
        QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
        window.hide();
        return image;
    }

    QRect areaOf(const QWidget* w) const { return QRect(w->mapTo(&window, QPoint(0, 0)), w->size()); }
};

double Luminance(QRgb c) {
    auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

// Contrast (1..21) between the background of an area (its most common luminance, the median) and
// the pixel that stands out from it the most - the core of a glyph when the area holds text.
double TextContrast(const QImage& image, const QRect& area) {
    std::vector<double> lum;
    const QRect r = area.intersected(image.rect()).adjusted(2, 2, -2, -2);
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) lum.push_back(Luminance(image.pixel(x, y)));
    if (lum.empty()) return 1.0;
    std::nth_element(lum.begin(), lum.begin() + lum.size() / 2, lum.end());
    const double bg = lum[lum.size() / 2];
    double best = 1.0;
    for (double l : lum) best = std::max(best, (std::max(l, bg) + 0.05) / (std::min(l, bg) + 0.05));
    return best;
}

class ShippedSkin : public SkinTest, public ::testing::WithParamInterface<const char*> {
protected:
    QString path() const { return DistDir() + QString::fromUtf8(GetParam()); }
};

TEST_P(ShippedSkin, IsUtf8AndAppliesWithoutAnyStyleSheetWarning) {
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path().toStdString();
    const QByteArray bytes = f.readAll();
    QStringDecoder decode(QStringDecoder::Utf8);
    const QString text = decode(bytes);
    ASSERT_FALSE(decode.hasError()) << "not UTF-8";
    ASSERT_GT(text.size(), 1000) << "a complete skin styles the whole window";

    ASSERT_TRUE(ApplySkinFile(path()));
    EXPECT_EQ(qApp->styleSheet(), text);
    Gallery gallery;
    gallery.render();
    // Qt parses the sheet when the first widget is styled; an error or an unknown property
    // shows up as a warning then.
    EXPECT_TRUE(g_qtWarnings.isEmpty()) << g_qtWarnings.join('\n').toStdString();
}

TEST_P(ShippedSkin, StylesTheNamedWidgetsAndKeepsChineseTextLegible) {
    ASSERT_TRUE(ApplySkinFile(path()));
    Gallery gallery;
    const QImage image = gallery.render();

    EXPECT_EQ(gallery.label->font().family(), QStringLiteral("WenQuanYi Micro Hei"));
    EXPECT_GE(gallery.label->font().pointSizeF(), 9.0) << "text must not be tiny";
    EXPECT_GT(gallery.done->font().pointSizeF(), gallery.plainButton->font().pointSizeF())
        << "the start button stands out";
    EXPECT_TRUE(gallery.done->font().bold());

    // The named widgets must really pick up their own rules: each looks unlike the plain one.
    auto pixelsOf = [&](const QWidget* w) { return image.copy(gallery.areaOf(w)).scaled(40, 16); };
    EXPECT_NE(pixelsOf(gallery.done), pixelsOf(gallery.plainButton));
    EXPECT_NE(pixelsOf(gallery.stop), pixelsOf(gallery.plainButton));

    struct Check {
        const char* what;
        const QWidget* widget;
        double minimum;
    };
    const Check checks[] = {
        {"label", gallery.label, 4.5},          {"line edit", gallery.edit, 4.5},
        {"list", gallery.list, 4.5},            {"button", gallery.plainButton, 4.5},
        {"start button", gallery.done, 3.0},    {"status tip", gallery.info, 4.5},
        {"disabled edit", gallery.disabledEdit, 1.8},
    };
    for (const Check& c : checks) {
        const double contrast = TextContrast(image, gallery.areaOf(c.widget));
        EXPECT_GE(contrast, c.minimum) << c.what;
    }
}

std::string ShippedSkinName(const ::testing::TestParamInfo<const char*>& info) {
    static const char* const names[] = {"Default", "LightBlue", "QQ2008", "Aero", "ClassicBlack"};
    return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(Dist, ShippedSkin,
                         ::testing::Values("/skin.she", "/skin/浅蓝(默认).she", "/skin/QQ2008皮肤.she",
                                           "/skin/Aero皮肤.she", "/skin/经典黑皮肤.she"),
                         ShippedSkinName);

TEST(ShippedSkins, TheDefaultSkinLooksLikeTheFirstMenuEntry) {
    const QString byDefault = ReadUtf8(DefaultSkinFile(DistDir()));
    ASSERT_FALSE(byDefault.isEmpty());
    EXPECT_EQ(byDefault, ReadUtf8(SkinFileForMenuIndex(DistDir(), 0)));
}

TEST(ShippedSkins, EveryShippedMenuEntryHasItsFile) {
    for (int i = 0; i < kOtherSkinMenuIndex; ++i)
        EXPECT_TRUE(QFile::exists(SkinFileForMenuIndex(DistDir(), i))) << SkinMenuCaption(i).toStdString();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(CollectQtMessages);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
