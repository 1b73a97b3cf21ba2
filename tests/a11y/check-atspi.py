#!/usr/bin/python3
"""The QM-520A panel as a screen reader meets it on the AT-SPI bus, against the emulated unit:
what its controls are called and hold, and the events a reader speaks from."""

import ctypes
import os
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import GLib

PANEL, SIM = sys.argv[1], sys.argv[2]
DEADLINE = 20  # seconds for each awaited condition, on a loaded machine

failures = []
events = []


def check(what, condition):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def pump_until(condition, what):
    end = time.monotonic() + DEADLINE
    while time.monotonic() < end:
        while GLib.MainContext.default().iteration(False):
            pass
        found = condition()
        if found:
            return found
        time.sleep(0.02)
    check(what, False)
    return None


def descendant(root, role, name):
    return pyatspi.findDescendant(
        root, lambda o: o.getRoleName() == role and o.name == name)


def text_of(obj):
    text = obj.queryText()
    return text.getText(0, text.characterCount)


def heard(kind, source):
    return lambda: any(e.type.startswith(kind) and e.source == source for e in events)


def focused_item(since):
    return next((e.source for e in events[since:] if e.type == "object:state-changed:focused"
                 and e.detail1 == 1 and e.source.getRoleName() == "menu item"), None)


def press(keycode, *held):
    """Keys by their codes in the X server's usual keyboard map."""
    for key in held:
        pyatspi.Registry.generateKeyboardEvent(key, None, pyatspi.KEY_PRESS)
    pyatspi.Registry.generateKeyboardEvent(keycode, None, pyatspi.KEY_PRESSRELEASE)
    for key in reversed(held):
        pyatspi.Registry.generateKeyboardEvent(key, None, pyatspi.KEY_RELEASE)


def give_keyboard_to_window_at(x, y):
    """No window manager runs: hand the X keyboard focus to the top window at x, y."""
    xlib = ctypes.CDLL("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    display = xlib.XOpenDisplay(None)
    root = xlib.XDefaultRootWindow(display)
    child = ctypes.c_ulong()
    ignored = ctypes.c_int()
    xlib.XTranslateCoordinates(ctypes.c_void_p(display), ctypes.c_ulong(root),
                               ctypes.c_ulong(root), x, y, ctypes.byref(ignored),
                               ctypes.byref(ignored), ctypes.byref(child))
    xlib.XSetInputFocus(ctypes.c_void_p(display), child, 2, 0)  # RevertToParent, CurrentTime
    xlib.XCloseDisplay(ctypes.c_void_p(display))


def panel_app():
    for app in pyatspi.Registry.getDesktop(0):
        if app and app.name == "QM-520A Control Panel":
            return app
    return None


folder = tempfile.mkdtemp(prefix="qm-a11y-")
unit_link = os.path.join(folder, "unit")
sim = subprocess.Popen([SIM, "--model", "520a", "--link", unit_link],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
prefs = os.path.join(folder, "config", "qm-control-panel")
os.makedirs(prefs)
with open(os.path.join(prefs, "VT-540A.ini"), "w") as ini:
    ini.write("[Ports]\nCOM1=%s\n" % unit_link)
    ini.writelines("COM%d=%s/absent%d\n" % (n, folder, n) for n in range(2, 17))
pump_until(lambda: os.path.exists(unit_link), "the emulated unit starts")

pyatspi.Registry.registerEventListener(
    events.append, "focus:", "object:state-changed", "object:text-changed")
env = dict(os.environ, XDG_CONFIG_HOME=os.path.dirname(prefs),
           QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
panel = subprocess.Popen([PANEL], env=env)
try:
    app = pump_until(panel_app, "the panel is on the bus by its display name")
    frame = app[0]
    port = pump_until(lambda: descendant(frame, "combo box", "Serial port"),
                      "the port list is named by its caption")
    pump_until(lambda: text_of(port) == "1", "the port list reads its port")
    pump_until(lambda: frame.getState().contains(pyatspi.STATE_SENSITIVE),
               "the window opens for input after the first poll")

    x, y, width, height = frame.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    give_keyboard_to_window_at(x + width // 2, y + height // 2)
    pump_until(lambda: frame.getState().contains(pyatspi.STATE_ACTIVE), "the window is active")
    mode = descendant(frame, "combo box", "Window mode")
    check("a setting list reads its value", text_of(mode) == "Transparant (No Background)")
    line = descendant(frame, "text", "Text line 1")
    check("a text line reads its text", line is not None and text_of(line) == "CAM 1")
    enabled = descendant(frame, "check box", "Line 1 enabled")
    check("a check box reads its state", enabled.getState().contains(pyatspi.STATE_CHECKED))
    enabled.queryAction().doAction(0)
    pump_until(lambda: not enabled.getState().contains(pyatspi.STATE_CHECKED),
               "a check box is cleared by its action")


    mode.queryComponent().grabFocus()
    pump_until(heard("object:state-changed:focused", mode), "the list takes the focus")
    before = len(events)
    press(116)  # Down
    pump_until(lambda: text_of(mode) == "Solid (No Background)", "Down picks the next value")
    pump_until(heard("object:text-changed:insert", mode), "the list tells its new value")
    check("the list keeps the keyboard", mode.getState().contains(pyatspi.STATE_FOCUSED))
    pump_until(lambda: [e.type for e in events[before:] if e.source == mode
                        and e.type.startswith("object:text-changed")][:2] == [
        "object:text-changed:insert", "object:text-changed:delete"],
        "the new value comes before the old one goes")
    check("the value is selected text, which readers speak when it changes",
          mode.queryText().getSelection(0) == (0, len("Solid (No Background)")))
    actions = descendant(frame, "push button", "Multiple Update").queryAction()
    check("Multiple Update can be pressed",
          any(actions.getName(i) == "Press" for i in range(actions.nActions)))
    third = descendant(frame, "radio button", "Channel 3")
    press(12, 37)  # Ctrl+3
    pump_until(lambda: third.getState().contains(pyatspi.STATE_CHECKED), "Ctrl+3 shows channel 3")
    check("the channel change is told", heard("object:state-changed:checked", third)())
    pump_until(lambda: any(e.type == "object:state-changed:showing" and e.detail1 == 1
                           and e.source.getRoleName() == "notification"
                           and e.source.name == "Channel 3" for e in events),
               "the shown channel is announced")

    immediately = descendant(frame, "check box", "Update Immediately ")  # the caption's space
    immediately.queryAction().doAction(0)
    update = descendant(frame, "push button", "Update")
    pump_until(lambda: update.getState().contains(pyatspi.STATE_SENSITIVE),
               "Update can be pressed once Update Immediately is off")
    press(76, 50)  # Shift+F10
    menu = pump_until(lambda: next((e.source for e in events if e.type == "object:state-changed:showing"
                                    and e.detail1 == 1 and e.source.getRoleName() == "popup menu"),
                                   None), "Shift+F10 shows the menu")
    # The item's action would not return before the file dialog closes: an operator's keys.
    for _ in range(menu.childCount):
        since = len(events)
        press(116)  # Down
        item = pump_until(lambda: focused_item(since), "Down goes through the menu")
        if item is None or item.name == "Load Setup...":
            break
    press(36)  # Return
    dialog = pump_until(lambda: descendant(app, "dialog", "Load Setup"), "Load Setup asks for a file")
    descendant(dialog, "push button", "Cancel").queryAction().doAction(0)
    pump_until(lambda: descendant(app, "dialog", "Load Setup") is None, "Load Setup is cancelled")
    give_keyboard_to_window_at(x + width // 2, y + height // 2)  # back from the dialog
    pump_until(lambda: frame.getState().contains(pyatspi.STATE_ACTIVE), "the window is active again")

    sim.kill()
    notice = descendant(frame, "notification", "Notice")
    pump_until(lambda: notice.getState().contains(pyatspi.STATE_SHOWING)
               and "lost" in text_of(notice), "the lost line is noticed")
    shown = lambda: [e.detail1 for e in events
                     if e.type == "object:state-changed:showing" and e.source == notice]
    pump_until(lambda: 1 in shown(), "the notice shows as a notification")
    check("its words lead its description, which readers speak",
          notice.description.startswith("The line to the unit was lost."))
    lost = text_of(notice)
    press(71)  # F5: the port is gone, which the notice adds to what it says
    pump_until(lambda: text_of(notice) != lost, "the notice tells of the port")
    pump_until(lambda: len(shown()) > 1, "the notice shows anew with its new text")
    check("the notice stays up meanwhile", 0 not in shown())
finally:
    panel.kill()
    sim.kill()
    panel.wait()
    sim.wait()

print("%d failed" % len(failures))
sys.exit(1 if failures else 0)
