// The page's side of the web platform: the canvas, the overlays, files, and the slot player on
// WebAudio. Called from C++ (Canvas.cpp, PlatformWeb.cpp, AudioWeb.cpp, web/*Main.cpp). The
// picture on the GPU is in library_corvina_gl.js.
mergeInto(LibraryManager.library, {
  // ---- Canvas ----
  // size: the canvas's in device pixels as last read; null until read, and after a resize
  // (corvina_canvas_follow), so that a frame costs the page no layout.
  $CorvinaCanvas: {context: null, shown: false, size: null},

  corvina_canvas_fit__deps: ['$CorvinaCanvas'],
  corvina_canvas_fit: function(widthPtr, heightPtr) {
    var canvas = Module['canvas'];
    if (!canvas) return 0;
    if (!CorvinaCanvas.size) {
      var ratio = window.devicePixelRatio || 1;
      CorvinaCanvas.size = [Math.max(1, Math.round(canvas.clientWidth * ratio)),
                            Math.max(1, Math.round(canvas.clientHeight * ratio))];
    }
    var width = CorvinaCanvas.size[0], height = CorvinaCanvas.size[1];
    // A new size clears the canvas: the bars are black again.
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
      CorvinaCanvas.context = null;
    }
    HEAP32[widthPtr >> 2] = width;
    HEAP32[heightPtr >> 2] = height;
    return 1;
  },

  // The first picture on the canvas (put here, or drawn by the GPU) shows the game.
  $CorvinaCanvasShow__deps: ['$CorvinaCanvas'],
  $CorvinaCanvasShow: function() {
    if (CorvinaCanvas.shown) return;
    CorvinaCanvas.shown = true;
    document.body.classList.add('running');
  },

  // Without a GPU (library_corvina_gl.js): the picture scaled by the processor.
  corvina_canvas_put__deps: ['$CorvinaCanvas', '$CorvinaCanvasShow'],
  corvina_canvas_put: function(rgba, width, height, x, y) {
    if (!CorvinaCanvas.context) CorvinaCanvas.context = Module['canvas'].getContext('2d', {alpha: false});
    var context = CorvinaCanvas.context;
    if (!context) return;
    var bytes = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
    context.putImageData(new ImageData(bytes, width, height), x, y);
    CorvinaCanvasShow();
  },

  // ---- The page around the game ----
  corvina_page_open: function(title) {
    document.title = UTF8ToString(title);
    var canvas = Module['canvas'];
    // The game draws its own pointer and answers the right button itself.
    canvas.addEventListener('contextmenu', function(e) { e.preventDefault(); });
  },

  // The error dialog: a box over the page with the message and one OK button. The ended screen
  // of a game it ends waits until it is closed.
  $CorvinaEnded: function() {
    var ended = document.getElementById('ended');
    var error = document.getElementById('error');
    if (!ended || !document.body.classList.contains('over') || (error && !error.hidden)) return;
    ended.hidden = false;
    ended.querySelector('button').onclick = function() { location.reload(); };
  },

  corvina_page_error__deps: ['$CorvinaEnded'],
  corvina_page_error: function(caption, message) {
    var box = document.getElementById('error');
    if (!box) return;
    box.querySelector('.caption').textContent = UTF8ToString(caption);
    box.querySelector('.message').textContent = UTF8ToString(message);
    box.hidden = false;
    box.querySelector('button').onclick = function() {
      box.hidden = true;
      CorvinaEnded();
    };
  },

  // The game is over (Esc, or a failure): the ended screen, whose button starts a new one.
  corvina_page_ended__deps: ['$CorvinaEnded'],
  corvina_page_ended: function(failed) {
    document.body.classList.remove('running');
    document.body.classList.add('over', failed ? 'failed' : 'ended');
    CorvinaEnded();
  },

  corvina_page_fullscreen: function(mode) {
    var element = document.documentElement;
    var on = mode === 2 ? !document.fullscreenElement : mode === 1;
    try {
      if (on && !document.fullscreenElement && element.requestFullscreen) {
        element.requestFullscreen().catch(function() {});
      } else if (!on && document.fullscreenElement) {
        document.exitFullscreen().catch(function() {});
      }
    } catch (e) {
      return document.fullscreenElement ? 1 : 0;
    }
    return on ? 1 : 0;
  },

  // The screen stays on while a game runs, where the browser lets a page ask.
  $CorvinaWake: {lock: null},
  corvina_page_keep_awake__deps: ['$CorvinaWake'],
  corvina_page_keep_awake: function(on) {
    if (!on) {
      if (CorvinaWake.lock) CorvinaWake.lock.release().catch(function() {});
      CorvinaWake.lock = null;
    } else if (navigator.wakeLock && !CorvinaWake.lock) {
      navigator.wakeLock.request('screen').then(function(lock) { CorvinaWake.lock = lock; }, function() {});
    }
  },

  // ---- Files ----
  // The user's folder kept in the browser's IndexedDB, one entry per file or folder under its
  // path (as emscripten's IDBFS lays it out, so folders kept by earlier pages still load). The
  // folder is read before the game starts; each write then keeps only the file it was asked
  // for, in one transaction whose completion is the only "kept" there is: a file whose write
  // failed is never carried into storage by another's.
  $CorvinaStorage: {dir: '', db: null, opening: null, asked: false, shown: null, name: "this browser's storage"},

  // The browser's reason in the player's words.
  $CorvinaStorageReason__deps: ['$CorvinaStorage'],
  $CorvinaStorageReason: function(error) {
    var name = (error && error.name) || '';
    if (name === 'QuotaExceededError') return CorvinaStorage.name + ' is full';
    if (name === 'SecurityError') return CorvinaStorage.name + ' is blocked for this page';
    return CorvinaStorage.name + ' failed (' + (name || String(error)) + ')';
  },

  // The database, opened at the first need and again after the browser closed it: done(error, db).
  // Callers waiting on one opening are answered in the order they asked, so their writes keep it.
  $CorvinaStorageDb__deps: ['$CorvinaStorage'],
  $CorvinaStorageDb: function(done) {
    var storage = CorvinaStorage;
    if (storage.db) return done(null, storage.db);
    if (storage.opening) return storage.opening.push(done);
    var waiting = storage.opening = [done];
    var answer = function(error, db) {
      storage.opening = null;
      waiting.forEach(function(next) { next(error, db); });
    };
    var request;
    try {
      request = indexedDB.open(storage.dir, 21);
    } catch (e) {
      return answer(e);
    }
    request.onupgradeneeded = function() {
      var files = request.transaction.db.objectStoreNames.contains('FILE_DATA')
          ? request.transaction.objectStore('FILE_DATA')
          : request.result.createObjectStore('FILE_DATA');
      if (!files.indexNames.contains('timestamp')) files.createIndex('timestamp', 'timestamp', {unique: false});
    };
    request.onsuccess = function() {
      var db = request.result;
      db.onclose = db.onversionchange = function() {
        if (storage.db === db) storage.db = null;
        db.close();
      };
      storage.db = db;
      answer(null, db);
    };
    request.onerror = function(e) {
      e.preventDefault();
      answer(request.error);
    };
  },

  // The answer in the page: "saved" for two seconds, "not saved" until a save is kept or the
  // player closes it.
  $CorvinaStorageShow__deps: ['$CorvinaStorage'],
  $CorvinaStorageShow: function(kept, text) {
    var status = document.getElementById('saved'), alert = document.getElementById('not-saved');
    if (!status || !alert) return;
    clearTimeout(CorvinaStorage.shown);
    status.hidden = !kept;
    if (kept) {
      alert.hidden = true;
      status.textContent = text;
      CorvinaStorage.shown = setTimeout(function() { status.hidden = true; }, 2000);
    } else {
      alert.querySelector('.text').textContent = text;
      alert.querySelector('button').onclick = function() { alert.hidden = true; };
      alert.hidden = false;
    }
  },

  corvina_storage_open__deps: ['$FS', '$CorvinaStorage', '$CorvinaStorageDb'],
  corvina_storage_open: function(path, ready) {
    var storage = CorvinaStorage;
    storage.dir = UTF8ToString(path);
    FS.mkdirTree(storage.dir);
    var started = false;
    var start = function(problem) {
      if (started) return;
      started = true;
      if (problem) console.warn('corvina: the saved files could not be read: ' + problem);
      {{{ makeDynCall('v', 'ready') }}}();
    };
    CorvinaStorageDb(function(error, db) {
      if (error) return start(error);
      var entries = [];
      try {
        var transaction = db.transaction(['FILE_DATA'], 'readonly');
        var cursor = transaction.objectStore('FILE_DATA').openCursor();
        cursor.onsuccess = function() {
          if (!cursor.result) return;
          entries.push([cursor.result.key, cursor.result.value]);
          cursor.result.continue();
        };
        transaction.onabort = function() { start(transaction.error); };
        transaction.oncomplete = function() {
          // Folders before the files in them.
          entries.sort(function(a, b) { return a[0] < b[0] ? -1 : a[0] > b[0] ? 1 : 0; });
          entries.forEach(function(entry) {
            var file = entry[0], value = entry[1];
            if (typeof file !== 'string' || file.indexOf(storage.dir) !== 0 || !value) return;
            try {
              if (FS.isDir(value.mode)) {
                FS.mkdirTree(file);
              } else {
                FS.mkdirTree(file.substring(0, file.lastIndexOf('/')) || '/');
                FS.writeFile(file, value.contents);
              }
              var time = value.timestamp instanceof Date ? value.timestamp.getTime() : Date.now();
              FS.utime(file, time, time);
            } catch (e) {
              console.warn('corvina: ' + file + ' could not be read back: ' + e);
            }
          });
          start();
        };
      } catch (e) {
        start(e);
      }
    });
  },

  // Keeps the file at `path` (a map with its .bak, which each save of it replaces); answer(kept,
  // detail) once, with where it is kept or why it is not. For the player's settings (`settings`
  // 1) only a refusal is shown.
  corvina_storage_keep__deps: ['$FS', '$CorvinaStorage', '$CorvinaStorageDb', '$CorvinaStorageReason',
                               '$CorvinaStorageShow', 'malloc', 'free'],
  corvina_storage_keep: function(path, answer, settings) {
    var storage = CorvinaStorage, answered = false, watch = 0, transaction = null;
    var tell = function(kept, detail) {
      if (answered) return;
      answered = true;
      clearTimeout(watch);
      if (!kept) console.warn('corvina: ' + (settings ? 'the settings' : 'the map') + ' could not be kept: ' + detail);
      if (settings && !kept) {
        CorvinaStorageShow(0, 'settings not kept: ' + detail);
      } else if (!settings) {
        CorvinaStorageShow(kept, (kept ? 'saved: ' : 'not saved: ') + detail);
      }
      var size = lengthBytesUTF8(detail) + 1, text = _malloc(size);
      stringToUTF8(detail, text, size);
      {{{ makeDynCall('vii', 'answer') }}}(kept, text);
      _free(text);
    };
    // A write cut short keeps nothing: a transaction that is not aborted commits what it had.
    var refuse = function(detail) {
      try {
        if (transaction) transaction.abort();
      } catch (e) {
      }
      tell(0, detail);
    };
    var fail = function(error) { refuse(CorvinaStorageReason(error)); };
    // A storage that never answers has not kept the file, nor will it later.
    watch = setTimeout(function() { refuse(CorvinaStorage.name + ' did not answer'); }, 10000);
    // Kept beyond the browser's clean-ups where it lets the page ask; asked once, at the first save.
    if (!storage.asked) {
      storage.asked = true;
      try {
        if (navigator.storage && navigator.storage.persist) navigator.storage.persist().catch(function() {});
      } catch (e) {
      }
    }
    // The file as it is now, the folders down to it, and its twin: written, or removed when gone.
    var file = UTF8ToString(path), entries = {}, gone = [];
    try {
      if (file.indexOf(storage.dir + '/') !== 0) throw new Error(file + ' is outside the kept folder');
      var dir = storage.dir;
      file.substring(dir.length).split('/').slice(0, -1).forEach(function(part) {
        dir += part ? '/' + part : '';
        var folder = FS.stat(dir);
        entries[dir] = {timestamp: folder.mtime, mode: folder.mode};
      });
      (settings ? [file] : [file, file + '.bak']).forEach(function(name) {
        if (!FS.analyzePath(name).exists) return gone.push(name);
        var stat = FS.stat(name);
        if (FS.isFile(stat.mode)) entries[name] = {timestamp: stat.mtime, mode: stat.mode, contents: FS.readFile(name)};
      });
    } catch (e) {
      return fail(e);
    }
    CorvinaStorageDb(function(error, db) {
      if (answered) return;
      if (error) return fail(error);
      try {
        // Strict: "kept" outlives a crash of the browser, not only a reload.
        transaction = db.transaction(['FILE_DATA'], 'readwrite', {durability: 'strict'});
        transaction.oncomplete = function() { tell(1, CorvinaStorage.name); };
        transaction.onabort = function() { fail(transaction.error); };
        var files = transaction.objectStore('FILE_DATA');
        Object.keys(entries).forEach(function(name) { files.put(entries[name], name); });
        gone.forEach(function(name) { files.delete(name); });
      } catch (e) {
        fail(e);
      }
    });
  },

  // A file handed to the browser as a download, then removed from the page's folder.
  corvina_page_download__deps: ['$FS'],
  corvina_page_download: function(path) {
    var file = UTF8ToString(path);
    var bytes;
    try {
      bytes = FS.readFile(file);
      FS.unlink(file);
    } catch (e) {
      return;
    }
    var type = /\.png$/i.test(file) ? 'image/png' : 'application/octet-stream';
    var url = URL.createObjectURL(new Blob([bytes], {type: type}));
    var link = document.createElement('a');
    link.href = url;
    link.download = file.substring(file.lastIndexOf('/') + 1);
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(function() { URL.revokeObjectURL(url); }, 10000);
  },

  // ---- The replay: a script served beside the page ----
  // Fetches ?replay=FILE into `path`, then calls begin(frames, highRes) with &frames=N (0 when
  // not given) and whether &high-res=1 asks for the larger screen; a failure ends the page.
  corvina_replay_fetch: function(path, begin) {
    var file = UTF8ToString(path);
    var params = new URLSearchParams(location.search);
    var frames = parseInt(params.get('frames') || '0', 10);
    var highRes = params.get('high-res') === '1' ? 1 : 0;
    fetch(params.get('replay')).then(function(response) {
      if (!response.ok) throw new Error(response.status + ' ' + response.statusText);
      return response.arrayBuffer();
    }).then(function(buffer) {
      FS.writeFile(file, new Uint8Array(buffer));
      {{{ makeDynCall('vii', 'begin') }}}(frames > 0 ? frames : 0, highRes);
    }).catch(function(error) {
      document.title = 'corvina failed: ' + params.get('replay') + ': ' + error.message;
    });
  },
  corvina_replay_fetch__deps: ['$FS'],

  corvina_replay_name: function(name, size) {
    return stringToUTF8(new URLSearchParams(location.search).get('replay') || '', name, size);
  },

  // Each game frame's end is told to the page (for tests and tools that act between frames).
  corvina_page_frame: function(frame) {
    window.dispatchEvent(new CustomEvent('corvina-frame', {detail: frame}));
  },

  corvina_page_title: function(text) {
    document.title = UTF8ToString(text);
  },

  // ---- The slot player: one gain per side for each channel, as the desktop mixer pans ----
  $CorvinaAudio: {context: null, channels: [], sounds: {}, next: 1, plays: 0},

  corvina_audio_open__deps: ['$CorvinaAudio'],
  corvina_audio_open: function(count) {
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return 0;
    var audio = CorvinaAudio;
    try {
      audio.context = new Context();
    } catch (e) {
      return 0;
    }
    audio.channels = [];
    for (var i = 0; i <= count; i++) {
      var left = audio.context.createGain(), right = audio.context.createGain();
      var merger = audio.context.createChannelMerger(2);
      left.connect(merger, 0, 0);
      right.connect(merger, 0, 1);
      merger.connect(audio.context.destination);
      audio.channels.push({left: left, right: right, source: null});
    }
    audio.sounds = {};
    Module['corvinaAudio'] = audio;
    return 1;
  },

  corvina_audio_close__deps: ['$CorvinaAudio'],
  corvina_audio_close: function() {
    var audio = CorvinaAudio;
    if (audio.context) audio.context.close().catch(function() {});
    audio.context = null;
    audio.channels = [];
    audio.sounds = {};
  },

  // Browsers start a page's sound suspended until the user does something on it.
  corvina_audio_resume__deps: ['$CorvinaAudio'],
  corvina_audio_resume: function() {
    var context = CorvinaAudio.context;
    if (context && context.state === 'suspended') context.resume().catch(function() {});
  },

  // PCM (8-bit unsigned or 16-bit signed little-endian, interleaved) as an AudioBuffer; its id,
  // or 0 when it cannot be one.
  corvina_audio_load__deps: ['$CorvinaAudio'],
  corvina_audio_load: function(data, size, channels, rate, bits) {
    var audio = CorvinaAudio;
    if (!audio.context || (bits !== 8 && bits !== 16) || channels < 1 || channels > 2) return 0;
    var bytesPerSample = bits / 8;
    var frames = Math.floor(size / (channels * bytesPerSample));  // a cut-off last frame is dropped
    if (frames === 0) return 0;
    var buffer;
    try {
      buffer = audio.context.createBuffer(channels, frames, rate);
    } catch (e) {
      return 0;  // a rate the browser does not take
    }
    for (var c = 0; c < channels; c++) {
      var out = buffer.getChannelData(c);
      for (var i = 0; i < frames; i++) {
        var at = data + (i * channels + c) * bytesPerSample;
        out[i] = bits === 8 ? (HEAPU8[at] - 128) / 128 : ((HEAPU8[at] | (HEAP8[at + 1] << 8)) / 32768);
      }
    }
    var id = audio.next++;
    audio.sounds[id] = buffer;
    return id;
  },

  corvina_audio_free__deps: ['$CorvinaAudio'],
  corvina_audio_free: function(id) {
    delete CorvinaAudio.sounds[id];
  },

  corvina_audio_stop__deps: ['$CorvinaAudio'],
  corvina_audio_stop: function(channel) {
    var slot = CorvinaAudio.channels[channel];
    if (!slot || !slot.source) return;
    try {
      slot.source.stop();
    } catch (e) {
    }
    slot.source = null;
  },

  // The sound from its start on the channel, once, stopping what the channel played.
  corvina_audio_play__deps: ['$CorvinaAudio', 'corvina_audio_stop'],
  corvina_audio_play: function(channel, id) {
    var audio = CorvinaAudio, slot = audio.channels[channel], buffer = audio.sounds[id];
    if (!slot || !buffer) return;
    _corvina_audio_stop(channel);
    var source = audio.context.createBufferSource();
    source.buffer = buffer;
    if (buffer.numberOfChannels === 1) {
      source.connect(slot.left);
      source.connect(slot.right);
    } else {
      var splitter = audio.context.createChannelSplitter(2);
      source.connect(splitter);
      splitter.connect(slot.left, 0);
      splitter.connect(slot.right, 1);
    }
    source.onended = function() {
      if (slot.source === source) slot.source = null;
    };
    source.start();
    slot.source = source;
    audio.plays++;
  },

  corvina_audio_pan__deps: ['$CorvinaAudio'],
  corvina_audio_pan: function(channel, left, right) {
    var slot = CorvinaAudio.channels[channel];
    if (!slot) return;
    slot.left.gain.value = left / 255;
    slot.right.gain.value = right / 255;
  },
});
