#include "app/windowfixture.h"

#include <QElapsedTimer>

namespace tavu::test {

bool FakePrompts::ask(QWidget*, const QString& text) {
    questions.push_back(text);
    if (answers.empty()) return false;
    const bool a = answers.front();
    answers.pop_front();
    return a;
}

Fixture::Fixture() {
    const std::string ini = "800×600;800;600\r\n\r\n640×480;640;480\r\n";
    WriteBytes(program.file("size.ini"), std::vector<uint8_t>(ini.begin(), ini.end()));
    program.mkdir("bk");
    for (const char* f : {"Gold.png", "readme.txt", "Wood.PNG"}) WriteBytes(program.file(std::string("bk/") + f), {0});
}

AppContext Fixture::context() {
    AppContext c;
    c.programDir = QString::fromStdString(program.path());
    c.workDir = QString::fromStdString(work.path());
    c.settings = &store;
    c.prompts = &prompts;
    c.openFolder = [this](const QString& p) { opened.push_back(p); };
    c.openTextFile = [this](const QString& p) { opened.push_back(p); };
    c.openWebPage = [this](const QString& p) { opened.push_back(p); };
    c.quitApplication = [this] { ++quits; };
    return c;
}

std::unique_ptr<MainWindow> Fixture::open() { return std::make_unique<MainWindow>(context()); }

bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

QStringList Items(QComboBox* c) {
    QStringList l;
    for (int i = 0; i < c->count(); ++i) l << c->itemText(i);
    return l;
}

Ui::Ui(const QWidget* w)
    : cmbSize(Find<QComboBox>(w, "cmbSize")),
      cmbBK(Find<QComboBox>(w, "cmbBK")),
      cmbEncode(Find<QComboBox>(w, "cmbEncode")),
      cmbPos(Find<QComboBox>(w, "cmbPos")),
      txtW(Find<QLineEdit>(w, "txtW")),
      txtH(Find<QLineEdit>(w, "txtH")),
      txtSize(Find<QLineEdit>(w, "txtSize")),
      txtAlpha(Find<QLineEdit>(w, "txtAlpha")),
      txtXp(Find<QLineEdit>(w, "txtXp")),
      txtYp(Find<QLineEdit>(w, "txtYp")),
      txtPicTxt(Find<QLineEdit>(w, "txtPicTxt")),
      txtRGB{Find<QLineEdit>(w, "txtRGB0"), Find<QLineEdit>(w, "txtRGB1"), Find<QLineEdit>(w, "txtRGB2")},
      chkInfoTxt(Find<QCheckBox>(w, "chkInfoTxt")),
      chkInfoImg(Find<QCheckBox>(w, "chkInfoImg")),
      lFile(Find<QLabel>(w, "lFile")),
      lOut(Find<QLabel>(w, "lOut")),
      lInfo(Find<QLabel>(w, "lInfo")),
      lTxt(Find<QLabel>(w, "lTxt")),
      lSY(Find<QLabel>(w, "lSY")),
      imgM(Find<QLabel>(w, "imgM")),
      cmdDone(Find<QPushButton>(w, "cmdDone")),
      cmdStop(Find<QPushButton>(w, "cmdStop")),
      cmdDel(Find<QPushButton>(w, "cmdDel")),
      lstFile(Find<QListWidget>(w, "lstFile")),
      picImg(Find<QWidget>(w, "picImg")),
      Frame3(Find<QWidget>(w, "Frame3")),
      Frame4(Find<QWidget>(w, "Frame4")),
      mUndoDel(Find<QAction>(w, "mUndoDel")),
      mUndoDelFile(Find<QAction>(w, "mUndoDelFile")),
      mClear(Find<QAction>(w, "mClear")),
      mKTTool(Find<QAction>(w, "mKTTool")),
      mSkin{Find<QAction>(w, "mSkin0"), Find<QAction>(w, "mSkin1"), Find<QAction>(w, "mSkin2"), Find<QAction>(w, "mSkin3"),
            Find<QAction>(w, "mSkin4")} {}

}  // namespace tavu::test
