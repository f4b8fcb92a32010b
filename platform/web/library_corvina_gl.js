// The picture on the GPU (Canvas.cpp). The game's 16-bit frame is kept in a texture of whole
// numbers, only the rows that changed sent to it; those rows are turned into 8-bit colour, in a
// texture of the frame's size, by the processor scaler's own arithmetic; and that texture is
// drawn onto the canvas by the desktop's sharp rule: as if enlarged a whole number of times by
// nearest neighbour, then filtered linearly to the picture's size. The page's resizes are
// followed here, the held picture included.
mergeInto(LibraryManager.library, {
  $CorvinaGl: {gl: null, widen: null, sharp: null, frame: null, picture: null, target: null, width: 0,
               height: 0, rgb555: -1, where: {}},

  // The two programs on a new (or restored) context: '' or what failed.
  $CorvinaGlSetUp__deps: ['$CorvinaGl'],
  $CorvinaGlSetUp: function() {
    var g = CorvinaGl, gl = g.gl;
    var head = '#version 300 es\nprecision highp float;\nprecision highp int;\nprecision highp usampler2D;\n';
    // One triangle over the viewport.
    var vertex = '#version 300 es\nvoid main() {\n' +
        '  gl_Position = vec4(float((gl_VertexID & 1) << 2) - 1.0, float((gl_VertexID & 2) << 1) - 1.0, 0.0, 1.0);\n}\n';
    // 5- and 6-bit parts widened to 8 by repeating their top bits, as on the processor; a
    // quarter step up gives the same 8 bits whether the output rounds or truncates.
    var widen = head +
        'uniform usampler2D frame;\nuniform bool rgb555;\nout vec4 color;\n' +
        'void main() {\n' +
        '  uint p = texelFetch(frame, ivec2(gl_FragCoord.xy), 0).r;\n' +
        '  uvec3 c = rgb555 ? uvec3((p >> 10) & 31u, (p >> 5) & 31u, p & 31u) : uvec3(p >> 11, (p >> 5) & 63u, p & 31u);\n' +
        '  uvec3 bits = uvec3(5u, rgb555 ? 5u : 6u, 5u);\n' +
        '  color = vec4((vec3((c << (8u - bits)) | (c >> (2u * bits - 8u))) + 0.25) / 255.0, 1.0);\n' +
        '}\n';
    // Each pixel's centre taken into the picture enlarged `factor` times, and sampled there
    // linearly: between two enlarged pixels that are copies of one frame pixel that is the
    // frame pixel itself, else the two frame pixels mixed by the same weight.
    var sharp = head +
        'uniform sampler2D picture;\nuniform vec2 source;\nuniform float factor;\nuniform ivec4 box;\nout vec4 color;\n' +
        'void main() {\n' +
        '  vec2 at = gl_FragCoord.xy - vec2(box.xy);\n' +
        '  at.y = float(box.w) - at.y;\n' +  // from the top, as the frame's rows go
        '  vec2 enlarged = source * factor;\n' +
        '  vec2 u = clamp(at * enlarged / vec2(box.zw) - 0.5, vec2(0.0), enlarged - 1.0);\n' +
        '  vec2 i = floor(u);\n' +
        '  vec2 a = floor(i / factor), b = floor(min(i + 1.0, enlarged - 1.0) / factor);\n' +
        '  color = texture(picture, (a + 0.5 + (u - i) * (b - a)) / source);\n' +
        '}\n';
    var link = function(fragment, uniforms) {
      var program = gl.createProgram();
      [[gl.VERTEX_SHADER, vertex], [gl.FRAGMENT_SHADER, fragment]].forEach(function(part) {
        var shader = gl.createShader(part[0]);
        gl.shaderSource(shader, part[1]);
        gl.compileShader(shader);
        gl.attachShader(program, shader);
        gl.deleteShader(shader);
      });
      gl.linkProgram(program);
      if (!gl.getProgramParameter(program, gl.LINK_STATUS)) return null;
      uniforms.forEach(function(name) { g.where[name] = gl.getUniformLocation(program, name); });
      return program;
    };
    g.widen = link(widen, ['frame', 'rgb555']);
    g.sharp = link(sharp, ['picture', 'source', 'factor', 'box']);
    if (!g.widen || !g.sharp) return 'the shaders did not build';
    gl.useProgram(g.widen);
    gl.uniform1i(g.where.frame, 0);
    gl.useProgram(g.sharp);
    gl.uniform1i(g.where.picture, 1);
    g.frame = g.picture = g.target = null;
    g.width = g.height = 0;
    return '';
  },

  // WebGL 2 on the page's canvas; without it the canvas stays free for the processor's way, and
  // the console says so once.
  corvina_gl_open__deps: ['$CorvinaGl', '$CorvinaGlSetUp'],
  corvina_gl_open: function() {
    var g = CorvinaGl, canvas = Module['canvas'], why = '';
    var failed = function(e) { why = e.statusMessage || why; };
    canvas.addEventListener('webglcontextcreationerror', failed);
    try {
      g.gl = canvas.getContext('webgl2', {alpha: false, antialias: false, depth: false, stencil: false,
                                          preserveDrawingBuffer: false});
    } catch (e) {
      why = String(e);
    }
    canvas.removeEventListener('webglcontextcreationerror', failed);
    if (g.gl) why = CorvinaGlSetUp();
    if (!g.gl || why) {
      g.gl = null;
      console.warn('corvina: no WebGL 2 (' + (why || 'the browser offers none') +
                   '): the picture is scaled on the processor');
      return 0;
    }
    // A lost context comes back empty: the next frame sends every row again.
    canvas.addEventListener('webglcontextlost', function(e) {
      e.preventDefault();
      g.frame = null;
    });
    canvas.addEventListener('webglcontextrestored', function() {
      CorvinaGlSetUp();
      if (Module['_corvina_canvas_restored']) Module['_corvina_canvas_restored']();
    });
    return 1;
  },

  // The last picture refitted at once whenever the canvas changes size (the window's, or the
  // page's layout), held or not; only then is its size read again.
  corvina_canvas_follow__deps: ['$CorvinaCanvas'],
  corvina_canvas_follow: function() {
    var refit = function() {
      CorvinaCanvas.size = null;
      if (Module['_corvina_canvas_refit']) Module['_corvina_canvas_refit']();
    };
    // The window's resize too: a new device pixel ratio may leave the canvas's own size alone.
    window.addEventListener('resize', refit);
    if (window.ResizeObserver) new ResizeObserver(refit).observe(Module['canvas']);
  },

  // The textures for a frame of width x height: 1 when they are new (or the pixels' kind
  // changed), and every row is wanted.
  corvina_gl_frame__deps: ['$CorvinaGl'],
  corvina_gl_frame: function(width, height, rgb555) {
    var g = CorvinaGl, gl = g.gl;
    if (!gl || gl.isContextLost()) return 0;
    var kind = g.rgb555 !== rgb555;
    g.rgb555 = rgb555;
    if (g.frame && g.width === width && g.height === height) return kind ? 1 : 0;
    [g.frame, g.picture].forEach(function(texture) { if (texture) gl.deleteTexture(texture); });
    if (g.target) gl.deleteFramebuffer(g.target);
    var texture = function(unit, format, filter) {
      var t = gl.createTexture();
      gl.activeTexture(unit);
      gl.bindTexture(gl.TEXTURE_2D, t);
      gl.texStorage2D(gl.TEXTURE_2D, 1, format, width, height);
      gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, filter);
      gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, filter);
      gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_S, gl.CLAMP_TO_EDGE);
      gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_T, gl.CLAMP_TO_EDGE);
      return t;
    };
    g.frame = texture(gl.TEXTURE0, gl.R16UI, gl.NEAREST);
    g.picture = texture(gl.TEXTURE1, gl.RGBA8, gl.LINEAR);
    g.target = gl.createFramebuffer();
    gl.bindFramebuffer(gl.FRAMEBUFFER, g.target);
    gl.framebufferTexture2D(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, g.picture, 0);
    gl.bindFramebuffer(gl.FRAMEBUFFER, null);
    g.width = width;
    g.height = height;
    return 1;
  },

  // Rows y to y + rows of the frame (`pitch` pixels apart in memory) sent, and widened.
  corvina_gl_rows__deps: ['$CorvinaGl'],
  corvina_gl_rows: function(pixels, pitch, width, y, rows) {
    var g = CorvinaGl, gl = g.gl;
    if (!gl || !g.frame) return;
    gl.activeTexture(gl.TEXTURE0);
    gl.bindTexture(gl.TEXTURE_2D, g.frame);
    gl.pixelStorei(gl.UNPACK_ALIGNMENT, 2);
    gl.pixelStorei(gl.UNPACK_ROW_LENGTH, pitch);
    gl.texSubImage2D(gl.TEXTURE_2D, 0, 0, y, width, rows, gl.RED_INTEGER, gl.UNSIGNED_SHORT, HEAPU16, pixels >> 1);
    gl.bindFramebuffer(gl.FRAMEBUFFER, g.target);
    gl.viewport(0, 0, g.width, g.height);
    gl.enable(gl.SCISSOR_TEST);
    gl.scissor(0, y, width, rows);
    gl.useProgram(g.widen);
    gl.uniform1i(g.where.rgb555, g.rgb555);
    gl.drawArrays(gl.TRIANGLES, 0, 3);
    gl.disable(gl.SCISSOR_TEST);
    gl.bindFramebuffer(gl.FRAMEBUFFER, null);
  },

  // The picture at (x, y) of the canvas, width x height, the frame enlarged `factor` times on
  // the way; black bars beside it.
  corvina_gl_draw__deps: ['$CorvinaGl', '$CorvinaCanvasShow'],
  corvina_gl_draw: function(x, y, width, height, factor) {
    var g = CorvinaGl, gl = g.gl;
    if (!gl || !g.frame) return;
    var canvas = gl.canvas, bottom = canvas.height - y - height;
    gl.viewport(0, 0, canvas.width, canvas.height);
    gl.clearColor(0, 0, 0, 1);
    gl.clear(gl.COLOR_BUFFER_BIT);
    gl.viewport(x, bottom, width, height);
    gl.useProgram(g.sharp);
    gl.uniform2f(g.where.source, g.width, g.height);
    gl.uniform1f(g.where.factor, factor);
    gl.uniform4i(g.where.box, x, bottom, width, height);
    gl.activeTexture(gl.TEXTURE1);
    gl.bindTexture(gl.TEXTURE_2D, g.picture);
    gl.drawArrays(gl.TRIANGLES, 0, 3);
    CorvinaCanvasShow();
  },
});
