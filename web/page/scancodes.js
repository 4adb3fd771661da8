// KeyboardEvent.code (the key's place on the keyboard, whatever the layout)
// to PC keyboard scan codes, set 1, as the other builds deliver them.
// Extended keys give their code without the E0 prefix: the keypad Enter is
// 28 like the main Enter.
export const scanCodes = {
  Escape: 1,
  Digit1: 2, Digit2: 3, Digit3: 4, Digit4: 5, Digit5: 6, Digit6: 7, Digit7: 8, Digit8: 9, Digit9: 10, Digit0: 11,
  Minus: 12, Equal: 13, Backspace: 14, Tab: 15,
  KeyQ: 16, KeyW: 17, KeyE: 18, KeyR: 19, KeyT: 20, KeyY: 21, KeyU: 22, KeyI: 23, KeyO: 24, KeyP: 25,
  BracketLeft: 26, BracketRight: 27, Enter: 28, ControlLeft: 29,
  KeyA: 30, KeyS: 31, KeyD: 32, KeyF: 33, KeyG: 34, KeyH: 35, KeyJ: 36, KeyK: 37, KeyL: 38,
  Semicolon: 39, Quote: 40, Backquote: 41, ShiftLeft: 42, Backslash: 43,
  KeyZ: 44, KeyX: 45, KeyC: 46, KeyV: 47, KeyB: 48, KeyN: 49, KeyM: 50,
  Comma: 51, Period: 52, Slash: 53, ShiftRight: 54, NumpadMultiply: 55, AltLeft: 56, Space: 57, CapsLock: 58,
  F1: 59, F2: 60, F3: 61, F4: 62, F5: 63, F6: 64, F7: 65, F8: 66, F9: 67, F10: 68,
  NumLock: 69, ScrollLock: 70,
  Numpad7: 71, Numpad8: 72, Numpad9: 73, NumpadSubtract: 74, Numpad4: 75, Numpad5: 76, Numpad6: 77,
  NumpadAdd: 78, Numpad1: 79, Numpad2: 80, Numpad3: 81, Numpad0: 82, NumpadDecimal: 83,
  IntlBackslash: 86, F11: 87, F12: 88,
  // extended keys: the code after the E0 prefix
  NumpadEnter: 28, ControlRight: 29, NumpadDivide: 53, PrintScreen: 55, AltRight: 56, Pause: 69,
  Home: 71, ArrowUp: 72, PageUp: 73, ArrowLeft: 75, ArrowRight: 77,
  End: 79, ArrowDown: 80, PageDown: 81, Insert: 82, Delete: 83,
  MetaLeft: 91, MetaRight: 92, ContextMenu: 93,
};

// Alt, F10 and keys pressed with Alt (without Ctrl) are system keys: they
// never reach the program, as on the desktop builds.
export function isSystemKey(event) {
  if (event.code === 'F10' || event.code === 'AltLeft' || event.code === 'AltRight') return true;
  return event.altKey && !event.ctrlKey;
}
