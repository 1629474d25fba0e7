// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/frm_werk.h"

#include "core/exercise_state.h"
#include "core/stimulus_tables.h"
#include "windows/assets.h"
#include "windows/place.h"
#include "windows/twips.h"
#include "windows/utf8.h"
#include "windows/window_font.h"
#include "windows/wrapping_button.h"

#include <QBackingStore>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QWindow>

namespace windows {

using namespace Qt::StringLiterals;

frm_werk::frm_werk(core::ExerciseState &state, platform::RandomSource &random, platform::TimeSource &time)
    : m_exercise(state, *this, random, time)
{
    loadAssets();
    setObjectName(u"frm_werk"_s);
    setWindowTitle(u"Tarvelin"_s);
    setFont(windowFont());
    resize(twipsSize(15240, 11010));
    createControls();
    setFirstFocus(cmd_exit);
    prepareFirstShow();

    m_exercise.start();
}

void frm_werk::createControls()
{
    txt_string = place<QLabel>(this, u"txt_string"_s, twips(5280, 4320, 3375, 1455));
    txt_string->setAlignment(Qt::AlignCenter);
    txt_string->setFont(stimulusFont());
    txt_string->setAccessibleDescription(u"lettercombinatie"_s);
    txt_string->hide();

    Picture1 = place<QLabel>(this, u"Picture1"_s, twips(5760, 4200, 2295, 1695));
    Picture1->setPixmap(QPixmap(u":/pause.jpg"_s));
    Picture1->setFocusPolicy(Qt::StrongFocus);
    Picture1->setAccessibleName(u"pauze"_s);
    Picture1->hide();

    Command2 = place<WrappingButton>(this, u"Command2"_s, twips(13560, 7560, 1215, 495), u"vertraag      100 msec"_s);
    Command2->setAccessibleName(u"vertraag 100 msec"_s);

    Command1 = place<WrappingButton>(this, u"Command1"_s, twips(13560, 8280, 1215, 495), u"versnel        100 msec"_s);
    Command1->setAccessibleName(u"versnel 100 msec"_s);

    cmd_exit = placeEinde(twips(11400, 9120, 1695, 495));

    Label4 = place<QLabel>(this, u"Label4"_s, twips(13440, 9240, 495, 255), u"reeks"_s);

    Label3 = place<QLabel>(this, u"Label3"_s, twips(14280, 9240, 735, 255));
    Label3->setAccessibleDescription(u"reeks"_s);

    Label5 = place<QLabel>(this, u"Label5"_s, twips(13560, 9840, 375, 255), u"tijd"_s);

    Label1 = place<QLabel>(this, u"Label1"_s, twips(14280, 9840, 735, 255));
    Label1->setAccessibleDescription(u"tijd in milliseconden"_s);

    for (QPushButton *button : {Command1, Command2})
        button->setAutoDefault(true); // Enter presses the focused button, as Space does

    setTabOrder(cmd_exit, Picture1);
    setTabOrder(Picture1, Command1);
    setTabOrder(Command1, Command2);

    connect(Command1, &QPushButton::clicked, this, [this] { m_exercise.Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { m_exercise.Command2_Click(); });
    connect(cmd_exit, &QPushButton::clicked, this, &frm_werk::cmd_exit_Click);
}

// Work that the first flashes would otherwise wait for, done before the pacing
// starts: the native window and its pointer picture, which the window system
// loads the first time the pointer enters (some 15 ms under X11); the glyphs
// of every letter a stimulus can have and the pause picture, which are
// prepared for the screen the first time they are painted; and a first paint
// of the whole window into its backing store, so that its styles and fonts are
// ready and the store's memory is taken and filled now, not in the first show
// (under X11 that halved the first show, to some 10 ms).
void frm_werk::prepareFirstShow()
{
    winId();
    if (QWindow *window = windowHandle())
        window->setCursor(cursor());

    QString letters;
    for (const auto &table : {core::vowelTexts, core::consonantTexts}) {
        for (const std::string_view text : table)
            letters += fromUtf8(text);
    }
    QImage scratch(txt_string->size().expandedTo(Picture1->size()) * devicePixelRatio(),
                   QImage::Format_ARGB32_Premultiplied);
    scratch.setDevicePixelRatio(devicePixelRatio());
    txt_string->setText(letters);
    txt_string->render(&scratch);
    txt_string->clear();
    Picture1->render(&scratch);

    if (QBackingStore *store = backingStore()) { // a top-level window has one once it is created
        store->resize(size()); // the size the first show asks for, so it keeps this memory
        store->beginPaint(rect());
        render(store->paintDevice());
        store->endPaint();
    }
}

void frm_werk::cmd_exit_Click()
{
    endProgram();
}

void frm_werk::setStimulusText(std::string_view text)
{
    txt_string->setText(fromUtf8(text));
}

bool frm_werk::isStimulusVisible() const
{
    return txt_string->isVisibleTo(this);
}

void frm_werk::setStimulusVisible(bool visible)
{
    txt_string->setVisible(visible);
}

void frm_werk::setPauseVisible(bool visible)
{
    Picture1->setVisible(visible);
}

void frm_werk::setIntervalText(std::string_view text)
{
    Label1->setText(fromUtf8(text));
}

void frm_werk::setSeriesText(std::string_view text)
{
    Label3->setText(fromUtf8(text));
}

} // namespace windows
