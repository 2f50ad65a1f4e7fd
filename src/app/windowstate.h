// The window's shared state: the settings read at start-up and everything the groups of the
// window decide together (size, colours, turn, effect, border, watermarks, output). Panels write
// it from their controls and announce a change; the preview and the batch read it.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <map>
#include <vector>

#include "batch/batchrun.h"
#include "batch/picturerender.h"
#include "batch/saveestimate.h"
#include "batch/sizepresets.h"
#include "batch/sizerules.h"
#include "platform/settings.h"

namespace tavu {

class FileList;

class WindowState : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    Settings settings;     // every stored setting as read at start-up
    bool bLoaded = false;  // start-up has finished
    bool bNoPreview = false;

    // The list: its model (owned by the list panel) and the selected entry, as shown and as the
    // file system spells it (a name that is not UTF-8 shows with replacement marks).
    const FileList* list = nullptr;
    QString current;
    std::string currentSource;
    int currentRow = -1;
    // Crop rectangles by entry (source pixels of the upright picture).
    std::map<std::string, IntRect> crops;
    // What the latest run made of each picture, by entry; emptied when a run starts.
    std::map<std::string, PictureResult> results;
    // The folder an entry was found below when a folder was added with its subfolders.
    std::map<std::string, std::string> bases;

    // Size: the size list's entry and the two boxes' texts.
    int iSizeMode = 0;
    int customSizeIndex = 2;  // the size list's last entry
    QString widthText = QStringLiteral("400"), heightText = QStringLiteral("300");
    std::vector<SizePreset> sSizeList;

    // Colours, offset, turn, effect.
    ColorMatrix cmPic = ColorMatrix::Identity();
    float sngPicX = 0, sngPicY = 0;
    int iTurn = kTurnNone;
    int iEffect = kEffectNone;
    int brightness = 0;

    // Border and watermarks: positions as fractions of the picture, the picture file, its scale
    // and opacity; the position lists' entries.
    QString borderFile;
    bool textOn = false, pictureOn = false;
    int textPos = 0, picturePos = 0;
    double dTSyX = 0, dTSyY = 0, dISyX = 0, dISyY = 0;
    QString sISyF;
    float sngSYScale = 1.0f;
    double syAlpha = 0.8;   // the watermark picture's opacity (0-1)
    int iSYMode = 0;        // which watermark the marker acts on: 0 text, -1 picture
    bool bMoveMode = false;
    std::map<int, QString> sPicTxt;  // descriptions by list position

    // Output.
    QString sOutDir, sPrefix, sOutExt;
    QString format;         // the format list's text
    bool rename = false;
    QString digitsText = QStringLiteral("4");
    SizeRuleInputs sizeRules;  // the "文件大小" range, padding and DPI boxes

    // The preview shown now, and the size of the canvas it stands for.
    QImage previewImage;
    QSize previewCanvas;  // the rendered picture's own size (the image may be scaled down from it)
    QString previewSizeText;  // what the size range gives the selected picture (empty: no range)
    SaveEstimate previewEstimate;  // what saving the shown picture gives (ok false: none yet)

    RenderSettings renderSettings() const;
    // The selected entry as it will be saved: renderSettings() with its crop rectangle.
    RenderSettings currentRenderSettings() const;
    // Any entry as it will be saved: renderSettings() with the entry's crop rectangle.
    RenderSettings renderSettingsOf(const std::string& entry) const;
    IntRect cropOf(const std::string& entry) const;
    // An empty rectangle clears the entry's crop.
    void setCrop(const std::string& entry, const IntRect& r);
    Decorations decorations() const;
    BatchOptions batchOptions() const;
    QStringList entries() const;

    // A change that the preview shows: the selected picture is rendered again.
    void changed() { emit renderChanged(); }
    // A line for the status bar.
    void tip(const QString& text) { emit tipRequested(text); }

signals:
    void renderChanged();
    void cropsChanged();
    void resultsChanged();
    void tipRequested(const QString& text);
    void previewShown();
};

}  // namespace tavu
