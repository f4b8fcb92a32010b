// The page's side of the web platform: the canvas, the overlays, files, and the slot player on
// WebAudio. Called from C++ (Canvas.cpp, PlatformWeb.cpp, AudioWeb.cpp, web/*Main.cpp).
mergeInto(LibraryManager.library, {
  // ---- Canvas ----
  $CorvinaCanvas: {context: null, shown: false},

  corvina_canvas_fit__deps: ['$CorvinaCanvas'],
  corvina_canvas_fit: function(widthPtr, heightPtr) {
    var canvas = Module['canvas'];
    if (!canvas) return 0;
    var ratio = window.devicePixelRatio || 1;
    var width = Math.max(1, Math.round(canvas.clientWidth * ratio));
    var height = Math.max(1, Math.round(canvas.clientHeight * ratio));
    // A new size clears the canvas: the bars are black again.
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
      CorvinaCanvas.context = null;
    }
    if (!CorvinaCanvas.context) CorvinaCanvas.context = canvas.getContext('2d', {alpha: false});
    HEAP32[widthPtr >> 2] = width;
    HEAP32[heightPtr >> 2] = height;
    return 1;
  },

  corvina_canvas_put__deps: ['$CorvinaCanvas'],
  corvina_canvas_put: function(rgba, width, height, x, y) {
    var context = CorvinaCanvas.context;
    if (!context) return;
    var bytes = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
    context.putImageData(new ImageData(bytes, width, height), x, y);
    if (!CorvinaCanvas.shown) {
      CorvinaCanvas.shown = true;
      document.body.classList.add('running');
    }
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

  // The game is over (F12, or a failure): the ended screen, whose button starts a new one.
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
  // The user's folder kept in the browser's persistent storage: loaded before the game starts
  // (then `ready` is called), written back whenever a file there is complete.
  corvina_storage_open__deps: ['$FS', '$IDBFS'],
  corvina_storage_open: function(path, ready) {
    var dir = UTF8ToString(path);
    var start = function() { {{{ makeDynCall('v', 'ready') }}}(); };
    try {
      FS.mkdirTree(dir);
      FS.mount(IDBFS, {}, dir);
    } catch (e) {
      start();  // no persistent storage: the folder lives as long as the page
      return;
    }
    FS.syncfs(true, function(error) {
      if (error) console.warn('corvina: the saved files could not be read: ' + error);
      start();
    });
  },

  corvina_storage_persist__deps: ['$FS'],
  corvina_storage_persist: function() {
    FS.syncfs(false, function(error) {
      if (error) console.warn('corvina: the file could not be kept: ' + error);
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
    var url = URL.createObjectURL(new Blob([bytes], {type: 'image/png'}));
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
