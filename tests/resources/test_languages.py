#!/usr/bin/env python3
"""Checks the shipped language files and music descriptions.

Every file must carry every key of the English file and nothing that the translation of the
three windows or the loading of the messages would not read; the English texts are the
windows' design-time texts; every translated text must fit its control (a rough estimate of
7 pixels per Latin or Cyrillic character and 13 per CJK character at the dialog font against
the layout below); and every file must survive conversion to its language's ANSI code page.
"""

import glob
import os
import re
import unicodedata

from common import Checks, arguments, read_profile

ARGS = arguments()
import make_text  # noqa: E402  (tools/, on the path after arguments())

LANG_DIR = os.path.join(ARGS.program_dir, "Language")
INFO_DIR = os.path.join(ARGS.program_dir, "Music", "Info")
MUSIC_DIR = os.path.join(ARGS.program_dir, "Music")
SOURCE_DIR = os.path.join(ARGS.source_dir, "resources", "Language")

# The components of each window that translation visits, by kind (the kinds decide which keys
# are read: labels take .Caption and .Hint, memos and images take keys containing .Line or
# .Hint, the other visited kinds take .Caption). Components of other kinds are not listed.
FORMS = {
    "MainForm": {
        "action": ["ActionExit", "ActionOption", "ActionAbout", "ActionHelp", "ActionStartUp",
                   "ActionEnableHook", "ActionPlayMusic", "ActionUpdate", "ActionPlayScreenSaver"],
        "menuitem": ["PopupHelp", "PopupAbout", "N1", "PopupReset", "PopupUpdate", "N2", "PopupExit"],
    },
    "OptionForm": {
        "tabsheet": ["TabSheet0", "TabSheet1", "TabSheet2", "TabSheet3"],
        "panel": ["Panel", "PScreenSaverPreview"],
        "action": ["ActionAddMusic", "ActionDeleteMusic", "ActionRestoreDefault", "ActionOK",
                   "ActionCancel", "ActionSelectMusic", "ActionSSSettings", "ActionSSPreview"],
        "label": ["LWorkPeriodPrefix", "LWorkPeriodSuffix", "LRestPeriodPrefix", "LRestPeriodSuffix"],
        "radiogroup": ["RGAlertMethod", "RGPlayMethod", "RGSSMethod"],
        "radio": ["RBAlertMethod0", "RBAlertMethod1", "RBAlertMethod2", "RBAlertMethod3",
                  "RBPlayMethod0", "RBPlayMethod1", "RBSSMethod0", "RBSSMethod1"],
        "checkbox": ["CBInterrupt", "CBAutoRun", "CBAutoUpdate"],
        "memo": ["MMusicInfo"],
    },
    "AboutForm": {
        "panel": ["PanelLeft", "PanelRight", "PanelBottom"],
        "label": ["LTitle", "LVersion", "LCopyright", "LWebSite"],
        "image": ["ILogo", "IZemra"],
        "memo": ["MThanks"],
    },
}

# Design-time texts of the windows: the English file must say exactly these.
DESIGN = {
    "MainForm": {
        "MainForm.Caption": "Vistrel 3", "ActionExit.Caption": "Exit", "ActionOption.Caption": "Option",
        "ActionAbout.Caption": "About", "ActionHelp.Caption": "Help", "ActionUpdate.Caption": "Update",
    },
    "OptionForm": {
        "OptionForm.Caption": "Option", "TabSheet0.Caption": "General", "TabSheet1.Caption": "Music",
        "TabSheet2.Caption": "Screen saver", "TabSheet3.Caption": "Language",
        "LWorkPeriodPrefix.Caption": "Alert me to have a rest in", "LWorkPeriodSuffix.Caption": "minutes.",
        "LRestPeriodPrefix.Caption": "Rest for at least", "LRestPeriodSuffix.Caption": "minutes.",
        "RGAlertMethod.Caption": "How to alert?", "RBAlertMethod0.Caption": "Turn off monitor.",
        "RBAlertMethod1.Caption": "Play music.", "RBAlertMethod2.Caption": "Turn off monitor and play music.",
        "RBAlertMethod3.Caption": "Invoke screen saver.",
        "CBInterrupt.Caption": "Enable pressing F4 to interrupt rest.",
        "CBAutoRun.Caption": "Auto start on system boots.",
        "CBAutoUpdate.Caption": "Check for update automatically.",
        "RBPlayMethod0.Caption": "Play selected music.", "RBPlayMethod1.Caption": "Play music randomly.",
        "PScreenSaverPreview.Caption": "Preview",
        "RBSSMethod0.Caption": "Invoke selected screen saver.",
        "RBSSMethod1.Caption": "Invoke screen saver randomly.",
        "ActionAddMusic.Caption": "&Add", "ActionDeleteMusic.Caption": "&Delete",
        "ActionRestoreDefault.Caption": "De&fault", "ActionOK.Caption": "&OK",
        "ActionCancel.Caption": "&Cancel", "ActionSSSettings.Caption": "&Settings",
        "ActionSSPreview.Caption": "&Preview",
    },
    "AboutForm": {
        "AboutForm.Caption": "About Vistrel 3", "LTitle.Caption": "Vistrel 3",
        "LVersion.Caption": "Version: ", "LCopyright.Caption": "Copyright (C)",
        "LWebSite.Caption": "Visit Vistrel homepage.",
    },
    "Message": {
        "MsgVistrelTitle": "Vistrel", "MsgError": "Error", "MsgAlert": "Alert",
        "MsgCongratulations": "Congratulations", "MsgTimeLeft": " left", "MsgTimeOut": "Have a rest!",
        "MsgFilter": "All supported files", "MsgMusicExists": "Music already exists.",
        "MsgDeleteMusic": "Are you sure to delete seleted music?",
        "MsgRestoreDefault": "Are you sure to restore default settings of all pages?",
        "MsgHotKeyRegisterFailed": "Hot key register failed.", "MsgNoHelpFile": "Help file missing!",
        "MsgNoMusicFile": "Music file(s) missing!", "MsgNoUpdater": "Updater missing!",
        "MsgUpdaterTitle": "Updater", "MsgNoNewVersion": "You are using the latest version.",
        "MsgCheckingNew": "Checking new components...",
        "MsgUpdateUpdaterFirst": "Updater will restart after updating. Pleas check for new components again!",
        "MsgRestartVistrel": "Vistrel will be updated and restarted!", "MsgDownloading": "Downloading ",
        "MsgUpdateSuccess": "Success!", "MsgUpdateFailure": "Failure!", "MsgFinished": "Finished!",
        "MsgNetworkError": "Network error! Please try again later.", "MsgCreateError": "Cannot create ",
    },
}

# Room for each text in pixels. Options dialog: 392 x 366 client, tab pages about 380 wide;
# the period sentences start at x = 20 with a 50-pixel number field and 3-pixel gaps; the alert
# radio buttons are 316 wide, the other radio buttons and the check boxes 340, and their mark
# takes 18 pixels; every button is 75 wide with 8 pixels of border. About dialog: a 180-pixel
# text column; the thanks text spans the dialog's width less its scroll bar.
BUTTON_PAGE = BUTTON_BOTTOM = 75 - 8
ROOM = {
    ("MainForm", "Action"): 200,
    ("OptionForm", "OptionForm.Caption"): 300,
    ("OptionForm", "RGAlertMethod.Caption"): 320,
    ("OptionForm", "PScreenSaverPreview.Caption"): 230,
    ("OptionForm", "ActionAddMusic.Caption"): BUTTON_PAGE,
    ("OptionForm", "ActionDeleteMusic.Caption"): BUTTON_PAGE,
    ("OptionForm", "ActionSSSettings.Caption"): BUTTON_PAGE,
    ("OptionForm", "ActionSSPreview.Caption"): BUTTON_PAGE,
    ("OptionForm", "ActionRestoreDefault.Caption"): BUTTON_BOTTOM,
    ("OptionForm", "ActionOK.Caption"): BUTTON_BOTTOM,
    ("OptionForm", "ActionCancel.Caption"): BUTTON_BOTTOM,
    ("AboutForm", "AboutForm.Caption"): 290,
    ("AboutForm", "LCopyright.Caption"): 180,
    ("AboutForm", "LWebSite.Caption"): 180,
}
TAB_STRIP, TAB_PADDING = 380, 18
SENTENCE_ROOM = 372  # 20 + prefix + 3 + 50 + 3 + suffix must end inside the page
RADIO_ROOM = 340 - 18
ALERT_RADIO_ROOM = 316 - 18
MEMO_ROOM = 352 - 17 - 8
VERSION_SHOWN = "3.3.3.3"
TITLE_PX_PER_CHAR = 18  # LTitle's bold 32-pixel Arial


def text_width(text):
    """Rough pixels at the dialog font; '&' marks an accelerator and takes no room."""
    width = 0
    i = 0
    while i < len(text):
        ch = text[i]
        if ch == "&" and i + 1 < len(text):
            ch = text[i + 1]
            i += 1
        width += 13 if unicodedata.east_asian_width(ch) in ("W", "F") else 7
        i += 1
    return width


def accelerator(text):
    """The accelerator letter of a caption (lower case), or None; raises on a stray '&'."""
    letters = re.findall(r"&(.)", text.replace("&&", ""))
    if len(letters) > 1:
        raise ValueError("more than one accelerator in %r" % text)
    return letters[0].lower() if letters else None


def readable_keys(form):
    """(exact keys, substring patterns) that translation reads from a form's section."""
    exact = {form + ".Caption", form + ".Font.Name", form + ".Font.Size"}
    patterns = []
    for kind, names in FORMS[form].items():
        for name in names:
            if kind == "label":
                exact |= {name + ".Caption", name + ".Hint"}
            elif kind == "memo":
                patterns.append(name + ".Line")
            elif kind == "image":
                patterns.append(name + ".Hint")
            else:
                exact.add(name + ".Caption")
    return {k.lower() for k in exact}, [p.lower() for p in patterns]


def load(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    return {name.lower(): (name, entries) for name, entries in read_profile(text)}


def language_files():
    return sorted(glob.glob(os.path.join(LANG_DIR, "*.ini")))


def lang_id(path):
    return os.path.splitext(os.path.basename(path))[0][-4:]


def values(sections, section):
    """key (lower) -> value; the first of duplicate keys wins, as the profile functions do."""
    out = {}
    for key, _, value in sections.get(section.lower(), (section, []))[1]:
        out.setdefault(key.lower(), value)
    return out


def test_file_names(c):
    files = language_files()
    c.check(len(files) >= 9, "expected at least 9 language files, found %d" % len(files))
    names = [os.path.splitext(os.path.basename(f))[0] for f in files]
    c.check("English 1033" in names, "English 1033.ini is missing")
    ids = []
    for name in names:
        c.check(all(ord(ch) < 128 for ch in name), "file name %r is not plain ASCII" % name)
        m = re.search(r" (\d{4})$", name)
        if c.check(m is not None, "%r does not end with a blank and a four-digit identifier" % name):
            ids.append(m.group(1))
    c.check(len(set(ids)) == len(ids), "two language files share an identifier: %s" % ids)
    for lang in ids:
        # The default language is the first file whose name contains the system's identifier.
        holders = [n for n in names if lang in n]
        c.check(len(holders) == 1, "identifier %s appears in several names: %s" % (lang, holders))
    for required in ("1033", "1031", "1036", "3082", "1040", "1046", "1049", "2052", "1041"):
        c.check(required in ids, "no language file for %s" % required)
    sources = sorted(os.path.basename(p) for p in glob.glob(os.path.join(SOURCE_DIR, "*.ini")))
    c.check(sources == [os.path.basename(f) for f in files],
            "the program folder's languages differ from the sources: %s" % sources)


def test_keys(c):
    english = load(os.path.join(LANG_DIR, "English 1033.ini"))
    for path in language_files():
        name = os.path.basename(path)
        data = load(path)
        c.check(sorted(data) == sorted(["mainform", "optionform", "aboutform", "message"]),
                "%s: sections %s" % (name, [v[0] for v in data.values()]))
        for section, (title, entries) in english.items():
            have = {k.lower() for k, _, _ in data.get(section, (section, []))[1]}
            for key, _, _ in entries:
                c.check(key.lower() in have, "%s: [%s] lacks %s" % (name, title, key))
        for section, (title, entries) in data.items():
            keys = [k.lower() for k, _, _ in entries]
            dupes = sorted({k for k in keys if keys.count(k) > 1})
            c.check(not dupes, "%s: [%s] repeats %s" % (name, title, dupes))
            if section == "message":
                allowed = {k.lower() for k in DESIGN["Message"]}
                for key in keys:
                    c.check(key in allowed, "%s: [Message] has %s, which is never read" % (name, key))
                continue
            if title not in FORMS:
                continue
            exact, patterns = readable_keys(title)
            for key, raw, value in entries:
                low = key.lower()
                c.check(low in exact or any(p in low for p in patterns),
                        "%s: [%s] has %s, which translation never reads" % (name, title, key))
                c.check(len(value) <= 2047, "%s: %s is longer than 2047 characters" % (name, key))
                if low.endswith(".font.size"):
                    c.check(value.isdigit(), "%s: %s is not a whole number" % (name, key))
        msgs = values(data, "Message")
        c.check(len(msgs) == 25, "%s: %d message keys, not 25" % (name, len(msgs)))


def test_english_is_design(c):
    data = load(os.path.join(LANG_DIR, "English 1033.ini"))
    for section, texts in DESIGN.items():
        have = values(data, section)
        for key, text in texts.items():
            c.check(have.get(key.lower()) == text,
                    "English [%s] %s is %r, the design says %r" % (section, key, have.get(key.lower()), text))


def test_texts(c):
    """Blanks survive only in quotes; nothing translatable is left empty."""
    for path in language_files():
        name = os.path.basename(path)
        for section, (title, entries) in load(path).items():
            for key, raw, value in entries:
                body = raw.strip()
                quoted = len(body) >= 2 and body[0] == body[-1] == '"'
                if value != value.strip():
                    c.check(quoted, "%s: %s has outer blanks but no quotes" % (name, key))
                if ".line" not in key.lower():
                    c.check(value.strip() != "", "%s: %s is empty" % (name, key))
                c.check("\t" not in value, "%s: %s holds a tab" % (name, key))
        msgs = values(load(path), "Message")
        # The version number is appended to LVersion; a translation must keep the blank or
        # colon that separates them.
        version = values(load(path), "AboutForm").get("lversion.caption", "")
        c.check(version.endswith((" ", ":", "：")), "%s: LVersion.Caption %r runs into the number" % (name, version))
        c.check(msgs.get("msgvistreltitle") == "Vistrel", "%s: the title is the program's name" % name)


def test_accelerators(c):
    english = values(load(os.path.join(LANG_DIR, "English 1033.ini")), "OptionForm")
    buttons = [k for k, v in english.items() if "&" in v]
    # Buttons seen together: each page's own buttons and the bottom row.
    together = [["actionaddmusic.caption", "actiondeletemusic.caption"],
                ["actionsssettings.caption", "actionsspreview.caption"]]
    bottom = ["actionrestoredefault.caption", "actionok.caption", "actioncancel.caption"]
    for path in language_files():
        name = os.path.basename(path)
        form = values(load(path), "OptionForm")
        for key in buttons:
            try:
                letter = accelerator(form.get(key, ""))
            except ValueError as error:
                c.check(False, "%s: %s" % (name, error))
                continue
            c.check(letter is not None and letter.strip(), "%s: %s has no accelerator" % (name, key))
        for group in together:
            letters = [accelerator(form.get(k, "")) for k in group + bottom]
            c.check(len(set(letters)) == len(letters),
                    "%s: buttons %s share an accelerator: %s" % (name, group + bottom, letters))


def test_widths(c):
    for path in language_files():
        name = os.path.basename(path)
        data = load(path)
        main = values(data, "MainForm")
        for key, value in main.items():
            if key.startswith("action"):
                c.check(text_width(value) <= ROOM[("MainForm", "Action")], "%s: menu %s too wide" % (name, key))
        opt = values(data, "OptionForm")
        tabs = sum(text_width(opt["tabsheet%d.caption" % i]) + TAB_PADDING for i in range(4))
        c.check(tabs <= TAB_STRIP, "%s: the four tabs need %d pixels, the strip has %d" % (name, tabs, TAB_STRIP))
        for prefix, suffix in (("lworkperiodprefix", "lworkperiodsuffix"), ("lrestperiodprefix", "lrestperiodsuffix")):
            end = 20 + text_width(opt[prefix + ".caption"]) + 3 + 50 + 3 + text_width(opt[suffix + ".caption"])
            c.check(end <= SENTENCE_ROOM, "%s: the sentence %s ... %s ends at %d, past %d"
                    % (name, opt[prefix + ".caption"], opt[suffix + ".caption"], end, SENTENCE_ROOM))
        for key, value in opt.items():
            if key.startswith(("rbalert", "rbplay", "rbss", "cb")):
                room = ALERT_RADIO_ROOM if key.startswith("rbalert") else RADIO_ROOM
                c.check(text_width(value) <= room, "%s: %s %r (%d px) does not fit %d"
                        % (name, key, value, text_width(value), room))
            room = ROOM.get(("OptionForm", next((k for k in DESIGN["OptionForm"] if k.lower() == key), key)))
            if room:
                c.check(text_width(value) <= room, "%s: %s %r (%d px) does not fit %d"
                        % (name, key, value, text_width(value), room))
        about = values(data, "AboutForm")
        for key, value in about.items():
            room = ROOM.get(("AboutForm", next((k for k in DESIGN["AboutForm"] if k.lower() == key), key)))
            if room:
                c.check(text_width(value) <= room, "%s: %s %r (%d px) does not fit %d"
                        % (name, key, value, text_width(value), room))
            if ".line" in key:
                c.check(text_width(value) <= MEMO_ROOM, "%s: thanks line %r (%d px) wraps"
                        % (name, value, text_width(value)))
        shown = about["lversion.caption"] + VERSION_SHOWN
        c.check(text_width(shown) <= 180, "%s: %r does not fit the 180-pixel column" % (name, shown))
        c.check(len(about["ltitle.caption"]) * TITLE_PX_PER_CHAR <= 180, "%s: the title is too wide" % name)


def test_code_pages(c):
    """Windows reads these files in the language's ANSI code page; the tray's tooltip holds
    127 bytes and a balloon title 63."""
    for path in sorted(glob.glob(os.path.join(SOURCE_DIR, "*.ini"))):
        name = os.path.basename(path)
        page = make_text.code_page(path)
        with open(path, encoding="utf-8") as f:
            text = f.read()
        try:
            encoded = text.encode(page)
        except UnicodeEncodeError as error:
            c.check(False, "%s: %s cannot hold %r" % (name, page, error.object[error.start:error.end]))
            continue
        c.check(encoded.decode(page) == text, "%s: does not survive %s" % (name, page))
        msgs = values({k.lower(): v for k, v in ((s, (s, e)) for s, e in read_profile(text))}, "Message")
        tip = "Vistrel - 23:59:59 " + msgs["msgtimeleft"]
        c.check(len(tip.encode(page)) <= 127, "%s: the tooltip %r is longer than 127 bytes" % (name, tip))
        c.check(len(("Vistrel - " + msgs["msgtimeout"]).encode(page)) <= 127, "%s: rest tooltip too long" % name)
        c.check(len(msgs["msgvistreltitle"].encode(page)) <= 63, "%s: balloon title too long" % name)
        c.check(len(msgs["msgnomusicfile"].encode(page)) <= 255, "%s: balloon text too long" % name)
    expected = {"1033": "cp1252", "1031": "cp1252", "1049": "cp1251", "2052": "cp936", "1041": "cp932"}
    for lang, page in expected.items():
        c.check(make_text.code_page("X %s.ini" % lang) == page, "language %s should use %s" % (lang, page))


def test_music_info(c):
    pieces = sorted(os.path.basename(p) for p in glob.glob(os.path.join(MUSIC_DIR, "*.mid")))
    c.check("Canon in D.mid" in pieces, "the default music Canon in D.mid is missing")
    for path in language_files():
        lang = lang_id(path)
        info = os.path.join(INFO_DIR, "MusicInfo-%s.dat" % lang)
        if not c.check(os.path.isfile(info), "no music descriptions for %s" % lang):
            continue
        with open(info, encoding="utf-8") as f:
            lines = f.read().splitlines()
        described = {}
        for line in lines:
            name, sep, text = line.partition("=")
            if c.check(sep == "=", "MusicInfo-%s.dat: line without '=': %r" % (lang, line)):
                c.check(name.lower() not in described, "MusicInfo-%s.dat: %s described twice" % (lang, name))
                described[name.lower()] = text
        for piece in pieces:
            c.check(described.get(piece.lower(), "").strip() != "",
                    "MusicInfo-%s.dat does not describe %s" % (lang, piece))
        for name in described:
            c.check(name in [p.lower() for p in pieces], "MusicInfo-%s.dat describes %s, which is not shipped"
                    % (lang, name))
        page = make_text.code_page(info)
        try:
            "\n".join(lines).encode(page)
        except UnicodeEncodeError:
            c.check(False, "MusicInfo-%s.dat does not fit %s" % (lang, page))


Checks().run(test_file_names, test_keys, test_english_is_design, test_texts, test_accelerators,
             test_widths, test_code_pages, test_music_info)
