// Touch, for a phone or a tablet. The game wants a keyboard and a mouse; on a screen without a
// fine pointer the page says so, and plays what it can of them with the finger: a drag is the
// left button dragged (a selection), a tap is a right click where it lands (an order), a long
// press holds the right button, and a pad of eight directions holds the keypad's direction keys
// as a desktop's gamepad does. All of it arrives as the DOM mouse and key events the game
// already reads, so a recording made this way replays on the desktop like any other.
(function() {
  'use strict';
  var canvas = document.getElementById('canvas');
  if (!canvas || !window.PointerEvent) return;

  var HoldMs = 500;  // a finger held this long without moving is the right button
  var Slop = 10;     // CSS pixels a finger may wander and still be a tap or a hold
  // The pad's sectors counter-clockwise from east, as keypad digits.
  var Directions = [6, 9, 8, 7, 4, 1, 2, 3];
  var Arrows = {7: '↖', 8: '↑', 9: '↗', 4: '←', 6: '→', 1: '↙', 2: '↓', 3: '↘'};

  var style = document.createElement('style');
  style.textContent = [
    'body.touch { -webkit-user-select: none; user-select: none; -webkit-touch-callout: none; }',
    'body.touch #canvas { touch-action: none; }',
    '#touch-notice { position: fixed; left: 0.6em; bottom: 0.6em; max-width: min(22em, 60vw); padding: 0.6em 0.8em;',
    '  background: rgba(24, 24, 34, 0.92); border: 1px solid #556; color: #ddd; font-size: 14px; line-height: 1.35; }',
    '#touch-notice p { margin: 0 0 0.4em; } #touch-notice .want { color: #ffe9a0; font-weight: bold; }',
    '#touch-notice button { font: inherit; padding: 0.2em 1em; background: #333; color: #ddd; border: 1px solid #777; }',
    '#touch-pad { position: fixed; right: 0.5rem; bottom: 0.5rem; width: 9rem; height: 9rem; border-radius: 50%;',
    '  display: grid; grid-template: repeat(3, 1fr) / repeat(3, 1fr); touch-action: none; opacity: 0.6;',
    '  background: rgba(40, 40, 52, 0.7); border: 1px solid #667; color: #ccd; font-size: 20px; }',
    '#touch-pad span { display: flex; align-items: center; justify-content: center; border-radius: 50%; }',
    '#touch-pad span.held { background: #ffe9a0; color: #000; } #touch-pad.walking { opacity: 1; }',
    // Only over a running game: the loading, failure and end panels keep the page's middle.
    '#touch-notice[hidden], #touch-pad[hidden], body:not(.running) #touch-notice, body:not(.running) #touch-pad {',
    '  display: none; }',
    // A phone upright: the picture across the whole width at the top, the words and the pad beneath.
    '@media (orientation: portrait) {',
    '  body.touch #canvas { height: 75vw; }',
    '  body.touch #tools { top: calc(75vw + 0.4em); }',
    '  #touch-notice { left: 50%; transform: translateX(-50%); bottom: auto; top: calc(75vw + 2.6rem);',
    '    width: calc(100vw - 3em); max-width: 26em; box-sizing: border-box; }',
    '  #touch-pad { right: auto; left: 50%; transform: translateX(-50%); bottom: max(1.5rem, env(safe-area-inset-bottom));',
    '    width: min(13rem, 60vw); height: min(13rem, 60vw); font-size: 26px; opacity: 0.85; }',
    '}',
  ].join('\n');
  document.head.appendChild(style);

  var notice = document.createElement('div');
  notice.id = 'touch-notice';
  notice.setAttribute('role', 'note');
  notice.hidden = true;
  notice.innerHTML = '<p class="want">이 게임은 키보드와 마우스로 합니다. (This game wants a keyboard and a mouse.)</p>' +
                     '<p>Here: drag to select persons, tap a cell to send them there, hold for the right button; ' +
                     'the pad walks the current person.</p><button type="button">OK</button>';
  notice.querySelector('button').onclick = function() { notice.hidden = true; };
  var pad = document.createElement('div');
  pad.id = 'touch-pad';
  pad.setAttribute('aria-hidden', 'true');
  pad.hidden = true;
  [7, 8, 9, 4, 5, 6, 1, 2, 3].forEach(function(digit) {
    var cell = document.createElement('span');
    cell.dataset.digit = digit;
    cell.textContent = Arrows[digit] || '';
    pad.appendChild(cell);
  });
  document.body.appendChild(notice);
  document.body.appendChild(pad);

  function touchMode(sayIt) {
    document.body.classList.add('touch');
    pad.hidden = false;
    if (sayIt) notice.hidden = false;
  }
  // A primary pointer that is coarse, or no fine one at all: a finger is all there is.
  if (matchMedia('(pointer: coarse)').matches ||
      (matchMedia('(any-pointer: coarse)').matches && !matchMedia('(any-pointer: fine)').matches)) {
    touchMode(true);
  }

  // ---- What the game reads ----
  function mouse(type, x, y, button) {
    var held = type === 'mousedown' ? (button === 2 ? 2 : 1) : 0;
    canvas.dispatchEvent(new MouseEvent(type, {bubbles: true, cancelable: true, view: window, clientX: x, clientY: y,
                                               button: button || 0, buttons: held}));
  }
  function key(type, digit) {
    window.dispatchEvent(new KeyboardEvent(type, {bubbles: true, cancelable: true, code: 'Numpad' + digit,
                                                  key: String(digit)}));
  }
  // The game reads the pointer once a frame: what must be seen apart waits for a frame's end.
  var waiting = [];
  addEventListener('corvina-frame', function() {
    var due = waiting;
    waiting = [];
    due.forEach(function(f) { f(); });
  });
  function afterFrame(f) { waiting.push(f); }
  // A finger's touch lets the browser's sound start, as a click does.
  function wakeSound() {
    var audio = window.Module && Module.corvinaAudio;
    if (audio && audio.context && audio.context.state === 'suspended') audio.context.resume().catch(function() {});
  }

  // The browser's own mouse events made from a touch, and presses on the pad or the notice, are
  // not the game's: the game has had the touch already, as the events above.
  var lastTouch = -Infinity;
  ['mousedown', 'mouseup', 'mousemove', 'contextmenu'].forEach(function(kind) {
    addEventListener(kind, function(e) {
      if (!e.isTrusted) return;
      var fromTouch = (e.sourceCapabilities && e.sourceCapabilities.firesTouchEvents) ||
                      performance.now() - lastTouch < 1000;
      if (fromTouch || pad.contains(e.target) || notice.contains(e.target)) {
        if (kind === 'contextmenu') e.preventDefault();
        e.stopImmediatePropagation();
      }
    }, true);
  });
  addEventListener('pointerdown', function(e) {
    if (e.pointerType !== 'touch') return;
    lastTouch = performance.now();
    if (pad.hidden) touchMode(false);
  }, true);
  ['pointermove', 'pointerup', 'pointercancel'].forEach(function(kind) {
    addEventListener(kind, function(e) { if (e.pointerType === 'touch') lastTouch = performance.now(); }, true);
  });

  // ---- The picture: one finger at a time ----
  var gesture = null;  // {id, x0, y0, x, y, kind: 'tap' | 'drag' | 'hold', seen: the drag's press seen}
  canvas.addEventListener('pointerdown', function(e) {
    if (e.pointerType === 'mouse' || gesture) return;
    e.preventDefault();
    wakeSound();
    var g = gesture = {id: e.pointerId, x0: e.clientX, y0: e.clientY, x: e.clientX, y: e.clientY, kind: 'tap'};
    if (canvas.setPointerCapture) canvas.setPointerCapture(e.pointerId);
    mouse('mousemove', g.x, g.y);
    g.timer = setTimeout(function() {
      if (gesture !== g || g.kind !== 'tap') return;
      g.kind = 'hold';
      mouse('mousedown', g.x, g.y, 2);
      if (navigator.vibrate) navigator.vibrate(15);
    }, HoldMs);
  });
  canvas.addEventListener('pointermove', function(e) {
    var g = gesture;
    if (!g || e.pointerId !== g.id) return;
    g.x = e.clientX;
    g.y = e.clientY;
    if (g.kind === 'tap' && Math.hypot(g.x - g.x0, g.y - g.y0) > Slop) {
      // A drag: the left button goes down where the finger did, and is seen there for a frame
      // before the box follows the finger.
      g.kind = 'drag';
      clearTimeout(g.timer);
      mouse('mousemove', g.x0, g.y0);
      mouse('mousedown', g.x0, g.y0, 0);
      afterFrame(function() {
        g.seen = true;
        mouse('mousemove', g.x, g.y);
      });
    } else if (g.kind === 'hold' || (g.kind === 'drag' && g.seen)) {
      mouse('mousemove', g.x, g.y);
    }
  });
  function lift(e) {
    var g = gesture;
    if (!g || e.pointerId !== g.id) return;
    gesture = null;
    clearTimeout(g.timer);
    wakeSound();
    if (g.kind === 'tap' && e.type === 'pointerup') {
      mouse('mousemove', g.x, g.y);
      mouse('mousedown', g.x, g.y, 2);
      mouse('mouseup', g.x, g.y, 2);
    } else if (g.kind === 'hold') {
      mouse('mouseup', g.x, g.y, 2);
    } else if (g.kind === 'drag') {
      var release = function() {
        mouse('mousemove', g.x, g.y);
        mouse('mouseup', g.x, g.y, 0);
      };
      if (g.seen) release();
      else afterFrame(release);  // after the press's own frame, queued behind it
    }
  }
  canvas.addEventListener('pointerup', lift);
  canvas.addEventListener('pointercancel', lift);
  // No browser gesture (scrolling, zooming, text selection) takes a touch meant for the game.
  ['touchstart', 'touchmove', 'touchend'].forEach(function(kind) {
    canvas.addEventListener(kind, function(e) { e.preventDefault(); }, {passive: false});
    pad.addEventListener(kind, function(e) { e.preventDefault(); }, {passive: false});
  });

  // ---- The pad: the direction of the finger from its centre, as a held keypad digit ----
  var walking = {id: null, digit: 0};
  function walk(digit) {
    if (digit === walking.digit) return;
    if (walking.digit) key('keyup', walking.digit);
    walking.digit = digit;
    if (digit) key('keydown', digit);
    pad.classList.toggle('walking', digit !== 0);
    Array.prototype.forEach.call(pad.children, function(cell) {
      cell.classList.toggle('held', Number(cell.dataset.digit) === digit);
    });
  }
  function aim(e) {
    var box = pad.getBoundingClientRect();
    var dx = e.clientX - (box.left + box.width / 2), dy = (box.top + box.height / 2) - e.clientY;
    if (Math.hypot(dx, dy) < box.width * 0.12) return 0;  // the centre: standing still
    return Directions[(Math.round(Math.atan2(dy, dx) / (Math.PI / 4)) + 8) % 8];
  }
  pad.addEventListener('pointerdown', function(e) {
    e.preventDefault();
    if (walking.id !== null) return;
    wakeSound();
    walking.id = e.pointerId;
    if (pad.setPointerCapture) pad.setPointerCapture(e.pointerId);
    walk(aim(e));
  });
  pad.addEventListener('pointermove', function(e) {
    if (e.pointerId === walking.id) walk(aim(e));
  });
  ['pointerup', 'pointercancel', 'lostpointercapture'].forEach(function(kind) {
    pad.addEventListener(kind, function(e) {
      if (e.pointerId !== walking.id) return;
      walking.id = null;
      walk(0);
    });
  });
  // The game lets go of every key when the page loses the focus: so does the pad.
  addEventListener('blur', function() {
    walking.id = null;
    walking.digit = 0;
    pad.classList.remove('walking');
    Array.prototype.forEach.call(pad.children, function(cell) { cell.classList.remove('held'); });
  });
})();
