// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/frm_hoofd.h"

#include "core/exercise_state.h"
#include "core/settings_input.h"
#include "platform/conversion.h"
#include "platform/window_services.h"
#include "windows/frm_werk.h"
#include "windows/place.h"
#include "windows/twips.h"
#include "windows/utf8.h"
#include "windows/window_font.h"
#include "windows/window_slots.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace windows {

using namespace Qt::StringLiterals;

frm_hoofd::frm_hoofd(core::ExerciseState &state, WindowSlots &windowSlots)
    : m_state(state)
    , m_slots(windowSlots)
{
    setObjectName(u"frm_hoofd"_s);
    setWindowTitle(u"Form1"_s);
    setFont(windowFont());
    resize(twipsSize(5535, 2880));
    createControls();
    setFirstFocus(txt_start);
    Form_Load();
}

void frm_hoofd::createControls()
{
    Label1 = place<QLabel>(this, u"Label1"_s, twips(240, 360, 1600, 255), u"Geef start interval"_s);

    txt_start = place<QLineEdit>(this, u"txt_start"_s, twips(2040, 360, 1575, 285));
    txt_start->setAccessibleName(u"Geef start interval"_s);
    txt_start->setAccessibleDescription(u"Mili seconden"_s);
    Label1->setBuddy(txt_start);

    Label3 = place<QLabel>(this, u"Label3"_s, twips(3840, 360, 1215, 255), u"Mili seconden"_s);

    Label2 = place<QLabel>(this, u"Label2"_s, twips(240, 960, 1600, 255), u"Geef versnelling"_s);

    txt_speed = place<QLineEdit>(this, u"txt_speed"_s, twips(2040, 960, 1575, 285));
    txt_speed->setAccessibleName(u"Geef versnelling"_s);
    txt_speed->setAccessibleDescription(u"Mili seconden"_s);
    Label2->setBuddy(txt_speed);

    Label4 = place<QLabel>(this, u"Label4"_s, twips(3840, 960, 1215, 255), u"Mili seconden"_s);

    cmd_start = place<QPushButton>(this, u"cmd_start"_s, twips(240, 2160, 1695, 495), u"&Start"_s);
    cmd_start->setAccessibleName(u"Start"_s);
    cmd_start->setAutoDefault(true);

    cmd_exit = placeEinde(twips(3600, 2160, 1695, 495));

    setTabOrder(txt_start, txt_speed);
    setTabOrder(txt_speed, cmd_start);
    setTabOrder(cmd_start, cmd_exit);

    connect(cmd_start, &QPushButton::clicked, this, &frm_hoofd::cmd_start_Click);
    connect(cmd_exit, &QPushButton::clicked, this, &frm_hoofd::cmd_exit_Click);
}

void frm_hoofd::Form_Load()
{
    txt_speed->setText(fromUtf8(platform::toText(m_state.speed_step)));
    txt_start->setText(fromUtf8(platform::toText(m_state.flash_interval)));
}

std::optional<std::int32_t> frm_hoofd::readField(QLineEdit *field, const core::SettingsField &about)
{
    const core::FieldReading reading = core::readSettingsField(about, toUtf8(field->text()));
    if (reading.value)
        return reading.value;

    QMessageBox box(QMessageBox::Warning, u"Ongeldige invoer"_s, fromUtf8(reading.message), QMessageBox::Ok, this);
    box.setObjectName(u"inputErrorBox"_s);
    box.setTextFormat(Qt::PlainText); // the typed text is shown, never interpreted
    box.exec();
    activateWindow();
    field->setFocus();
    field->selectAll();
    return std::nullopt;
}

void frm_hoofd::cmd_start_Click()
{
    // The start interval first: with both fields wrong, that is the one the user hears about.
    const auto interval = readField(txt_start, core::startIntervalField);
    if (!interval)
        return;
    m_state.flash_interval = *interval;

    const auto acceleration = readField(txt_speed, core::accelerationField);
    if (!acceleration)
        return;
    m_state.speed_step = *acceleration;

    m_slots.hoofd().hide();
    platform::showModal(m_slots.werk());
}

void frm_hoofd::cmd_exit_Click()
{
    endProgram();
}

} // namespace windows
