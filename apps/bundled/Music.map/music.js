// The Music app: the user's songs from the shell's Music listing, played by
// the shell's background player. The shell calls Filler (the listing), RollBar
// (the length of the playing song) and cover (its artist and title).
(function () {
    'use strict';

    // A large library is kept as the listing it came in, one text, with where
    // each song's name starts and ends: no string per song. An address, a
    // title and a row are made for a song when it is drawn or played.
    var listed = '';     // the listing
    var bounds = [];     // start and end in listed of each song's name
    var folder = '';     // the folder they are in
    var tags = {};       // index -> {title, artist} the player told
    var shown = [];      // song indices, after the search filter
    var current = -1;    // index of the song in the player
    var playing = false; // a song is loaded (playing or paused)
    var paused = false;
    var length = 0;      // ms, as RollBar last said
    var position = 0;    // ms at the moment 'since'
    var since = 0;
    var shuffle = false;
    var dragging = false;
    // Only the rows in sight, and a margin on either side, exist; the margins
    // of the first and last stand in for the others and the rows are reused
    // on scroll.
    var first = 0;       // position in shown of the first row drawn
    var MARGIN = 12;     // rows drawn beyond the visible ones on each side
    var rowHeight = 64;  // px, as the style sheet lays a row out

    function $(id) { return document.getElementById(id); }

    // Calls the shell; undefined when the page runs outside it.
    function shell(name) {
        var api = window.api;
        if (!api || typeof api[name] !== 'function')
            return undefined;
        return api[name].apply(api, Array.prototype.slice.call(arguments, 1));
    }

    function encodeSegment(s) {
        return encodeURIComponent(s).replace(/[!'()*]/g, function (c) {
            return '%' + c.charCodeAt(0).toString(16).toUpperCase();
        });
    }

    // A file URL for a name in folder (an absolute path with "/").
    function fileUrl(folder, name) {
        var parts = folder.split('/');
        var path = parts.map(function (p, i) {
            return i === 0 && /^[A-Za-z]:$/.test(p) ? p : encodeSegment(p);
        }).join('/');
        if (path.charAt(0) !== '/')
            path = '/' + path;
        if (path.charAt(path.length - 1) !== '/')
            path += '/';
        return 'file://' + path + encodeSegment(name);
    }

    function titleFromName(name) {
        return name.replace(/\.mp3$/i, '').replace(/_/g, ' ');
    }

    function hueOf(text) {
        var h = 0;
        for (var i = 0; i < text.length; ++i)
            h = (h * 31 + text.charCodeAt(i)) % 360;
        return h;
    }

    function artFor(text) {
        var h = hueOf(text);
        return 'linear-gradient(135deg, hsl(' + h + ',80%,62%), hsl(' + ((h + 40) % 360) +
            ',75%,45%))';
    }

    function initial(text) {
        var m = /[0-9A-Za-z\u00c0-\uffff]/.exec(text);
        return m ? m[0].toUpperCase() : '';
    }

    function clock(ms) {
        if (!(ms >= 0))
            return '--:--';
        var s = Math.floor(ms / 1000);
        var h = Math.floor(s / 3600);
        var m = Math.floor(s / 60) % 60;
        s = s % 60;
        var mm = h ? (m < 10 ? '0' : '') + m : String(m);
        return (h ? h + ':' : '') + mm + ':' + (s < 10 ? '0' : '') + s;
    }

    function now() { return new Date().getTime(); }

    function currentPosition() {
        var p = position;
        if (playing && !paused)
            p += now() - since;
        return length > 0 ? Math.min(p, length) : p;
    }

    // The listing: names separated by "/" in the third argument (a name may
    // hold a comma); a shell that sends two arguments gives ",a,b".
    window.Filler = function (listing, where, whole) {
        var playingUrl = current >= 0 ? urlOf(current) : null;
        var playingName = current >= 0 ? nameOf(current) : null;
        var playingTags = tags[current];
        folder = String(where);
        if (arguments.length > 2)
            split(whole === '' ? '' : '/' + String(whole), '/');
        else
            split(String(listing), ',');
        tags = {};
        current = -1;
        if (playingName !== null) {
            var at = indexOfName(playingName);
            if (at >= 0 && urlOf(at) === playingUrl) {
                current = at;
                if (playingTags)
                    tags[at] = playingTags;
            }
        }
        $('folder').textContent = folder;
        render();
        showNowPlaying();
    };

    window.RollBar = function (ms) {
        var n = parseInt(ms, 10);
        length = n > 0 ? n : 0;
        updateProgress();
    };

    // With three more arguments the shell tells what the player is doing:
    // when the page opens, and after the player was controlled from outside
    // the page (the status bar, the media keys, the song after one that ended).
    window.cover = function (artist, title, source, state, at) {
        if (arguments.length > 2)
            follow(String(source), String(state), parseInt(at, 10));
        if (current < 0)
            return;
        tags[current] = {
            title: title ? String(title) : titleFromName(nameOf(current)),
            artist: String(artist || '')
        };
        showNowPlaying();
        var row = rowOf(current);
        if (row)
            fillRow(row, current);
    };

    function follow(source, state, at) {
        var index = indexOfSource(source);
        if (index !== current)
            length = 0;
        current = index;
        playing = index >= 0 && state !== 'stopped';
        paused = state === 'paused';
        position = playing && at > 0 ? at : 0;
        since = now();
        showNowPlaying();
    }

    // The song of the player's source: a local path or a file URL.
    function indexOfSource(source) {
        var slash = source.lastIndexOf('/');
        var trim = function (path) { return path.replace(/\/+$/, ''); };
        if (source.indexOf('://') < 0 && slash >= 0 &&
            trim(source.substring(0, slash)) === trim(folder))
            return indexOfName(source.substring(slash + 1));
        for (var i = 0; i < songCount(); ++i) {
            if (urlOf(i) === source)
                return i;
        }
        return -1;
    }

    // Notes where each .mp3 name is in text, whose names each follow a
    // separator (what comes before the first one is no name).
    function split(text, separator) {
        listed = text;
        bounds = [];
        var at = text.indexOf(separator);
        while (at >= 0) {
            var end = text.indexOf(separator, at + 1);
            if (end < 0)
                end = text.length;
            if (isMp3(at + 1, end))
                bounds.push(at + 1, end);
            at = end < text.length ? end : -1;
        }
    }

    // /\.mp3$/i over a part of the listing, without cutting it out.
    function isMp3(start, end) {
        if (end - start < 4)
            return false;
        var c = listed.charCodeAt(end - 3) | 32, d = listed.charCodeAt(end - 2) | 32;
        return listed.charCodeAt(end - 4) === 46 && c === 109 && d === 112 &&
            listed.charCodeAt(end - 1) === 51;
    }

    function songCount() { return bounds.length / 2; }

    function nameOf(index) { return listed.substring(bounds[2 * index], bounds[2 * index + 1]); }

    function indexOfName(name) {
        for (var i = 0; i < songCount(); ++i) {
            if (bounds[2 * i + 1] - bounds[2 * i] === name.length && nameOf(i) === name)
                return i;
        }
        return -1;
    }

    function urlOf(index) { return fileUrl(folder, nameOf(index)); }

    function track(index) {
        var t = tags[index];
        var name = nameOf(index);
        return { name: name, title: t ? t.title : titleFromName(name),
                 artist: t ? t.artist : '' };
    }

    function rowOf(index) {
        return document.querySelector('.song[data-index="' + index + '"]');
    }

    function fillRow(row, index) {
        var t = track(index);
        row.setAttribute('data-index', index);
        row.querySelector('.thumb').style.backgroundImage = artFor(t.name);
        row.querySelector('.thumb').textContent = initial(t.title);
        row.querySelector('.name').textContent = t.title;
        row.querySelector('.detail').textContent = t.artist || t.name;
    }

    function makeRow() {
        var li = document.createElement('li');
        li.className = 'song';
        var thumb = document.createElement('div');
        thumb.className = 'thumb';
        var text = document.createElement('div');
        text.className = 'text';
        var name = document.createElement('div');
        name.className = 'name';
        var detail = document.createElement('div');
        detail.className = 'detail';
        text.appendChild(name);
        text.appendChild(detail);
        var bars = document.createElement('div');
        bars.className = 'bars';
        bars.innerHTML = '<i></i><i></i><i></i>';
        li.appendChild(thumb);
        li.appendChild(text);
        li.appendChild(bars);
        return li;
    }

    function matches(index, query) {
        var t = track(index);
        return t.title.toLowerCase().indexOf(query) >= 0 ||
            t.name.toLowerCase().indexOf(query) >= 0 ||
            t.artist.toLowerCase().indexOf(query) >= 0;
    }

    // The search runs over the whole library; only the rows in sight are made.
    function render() {
        var query = $('search').value.trim().toLowerCase();
        shown = [];
        var count = songCount();
        for (var i = 0; i < count; ++i) {
            if (!query || matches(i, query))
                shown.push(i);
        }
        var list = $('songs');
        list.textContent = '';
        list.hidden = shown.length === 0;
        list.scrollTop = 0;
        first = 0;
        drawVisible(true);
        $('count').textContent = count === 1 ? '1 song' : count + ' songs';
        $('empty').hidden = count > 0;
        $('nomatch').hidden = count === 0 || shown.length > 0;
    }

    // Makes the rows from just above to just below the visible part of the
    // list, reusing the rows already there.
    function drawVisible(force) {
        var list = $('songs');
        var height = list.clientHeight || 800;
        var top = Math.max(0, Math.floor(list.scrollTop / rowHeight) - MARGIN);
        var end = Math.min(shown.length,
                           Math.ceil((list.scrollTop + height) / rowHeight) + MARGIN);
        top = Math.min(top, end);
        if (!force && top === first && list.children.length === end - top)
            return;
        first = top;
        while (list.children.length > end - top)
            list.removeChild(list.lastChild);
        while (list.children.length < end - top)
            list.appendChild(makeRow());
        for (var k = top; k < end; ++k) {
            var row = list.children[k - top];
            fillRow(row, shown[k]);
            // Margins, not the list's padding: padding would make the list
            // itself as tall as the library.
            row.style.marginTop = k === top ? (top * rowHeight) + 'px' : '';
            row.style.marginBottom = k === end - 1 ? ((shown.length - end) * rowHeight) + 'px' : '';
        }
        if (list.firstChild && list.firstChild.offsetHeight > 0 &&
            list.firstChild.offsetHeight !== rowHeight) {
            rowHeight = list.firstChild.offsetHeight;
            drawVisible(true);
            return;
        }
        markCurrent();
    }

    function markCurrent() {
        var rows = document.querySelectorAll('.song');
        for (var i = 0; i < rows.length; ++i) {
            var index = parseInt(rows[i].getAttribute('data-index'), 10);
            var name = 'song' + (index === current ? ' current' : '') +
                (index === current && playing && !paused ? ' playing' : '');
            if (rows[i].className !== name)
                rows[i].className = name;
        }
    }

    function showNowPlaying() {
        var player = $('player');
        player.className = !playing ? 'idle' : paused ? 'paused' : 'playing';
        var t = current >= 0 ? track(current) : null;
        $('title').textContent = t ? t.title : 'Not playing';
        $('artist').textContent = t ? (t.artist || 'Unknown artist') : 'Pick a song to start';
        $('art').style.backgroundImage = t ? artFor(t.name) : '';
        $('play').title = playing && !paused ? 'Pause' : 'Play';
        markCurrent();
        updateProgress();
    }

    function updateProgress() {
        var p = currentPosition();
        var fraction = length > 0 ? Math.min(1, p / length) : 0;
        if (!dragging) {
            $('fill').style.width = (fraction * 100) + '%';
            $('knob').style.left = (fraction * 100) + '%';
        }
        $('elapsed').textContent = clock(playing ? p : 0);
        $('total').textContent = length > 0 ? clock(length) : '--:--';
    }

    function play(index) {
        if (index < 0 || index >= songCount())
            return;
        current = index;
        playing = true;
        paused = false;
        length = 0;
        position = 0;
        since = now();
        shell('playmp3', urlOf(index));
        showNowPlaying();
    }

    function togglePlay() {
        if (current < 0) {
            if (shown.length)
                play(shown[0]);
            return;
        }
        if (!playing) {
            play(current);
            return;
        }
        var resumed = shell('pausemp3');
        if (resumed === true) {
            paused = false;
            since = now();
        } else {
            position = currentPosition();
            paused = true;
        }
        showNowPlaying();
    }

    function stop() {
        shell('stopmp3');
        playing = false;
        paused = false;
        position = 0;
        showNowPlaying();
    }

    function step(delta, automatic) {
        if (!songCount())
            return;
        var list = shown;
        if (!list.length) {
            list = [];
            for (var i = 0; i < songCount(); ++i)
                list.push(i);
        }
        if (shuffle && list.length > 1) {
            var pick;
            do {
                pick = list[Math.floor(Math.random() * list.length)];
            } while (pick === current);
            play(pick);
            return;
        }
        var at = list.indexOf(current);
        var next = at + delta;
        if (at < 0)
            next = delta > 0 ? 0 : list.length - 1;
        if (next >= list.length) {
            if (automatic) {
                stop();
                return;
            }
            next = 0;
        }
        if (next < 0)
            next = list.length - 1;
        play(list[next]);
    }

    function previous() {
        if (playing && currentPosition() > 3000)
            seekTo(0);
        else
            step(-1, false);
    }

    function seekTo(ms) {
        if (!playing || length <= 0)
            return;
        ms = Math.max(0, Math.min(length, Math.round(ms)));
        shell('seekmp3', ms);
        position = ms;
        since = now();
        updateProgress();
    }

    // Position bar: tap or drag.
    function fractionAt(event) {
        var box = $('track').getBoundingClientRect();
        var x = event.touches && event.touches.length ? event.touches[0].clientX :
            event.changedTouches && event.changedTouches.length ?
            event.changedTouches[0].clientX : event.clientX;
        return box.width > 0 ? Math.max(0, Math.min(1, (x - box.left) / box.width)) : 0;
    }

    function showDrag(fraction) {
        $('fill').style.width = (fraction * 100) + '%';
        $('knob').style.left = (fraction * 100) + '%';
        $('elapsed').textContent = clock(fraction * length);
    }

    function startDrag(event) {
        if (!playing || length <= 0)
            return;
        dragging = true;
        showDrag(fractionAt(event));
        event.preventDefault();
    }

    function moveDrag(event) {
        if (dragging)
            showDrag(fractionAt(event));
    }

    function endDrag(event) {
        if (!dragging)
            return;
        dragging = false;
        seekTo(fractionAt(event) * length);
    }

    function setVolume(percent) {
        shell('setVolume', percent / 100);
        try {
            localStorage.setItem('music.volume', String(percent));
        } catch (e) {
            // Storage may be off; the volume still applies.
        }
    }

    function savedVolume() {
        var v = null;
        try {
            v = localStorage.getItem('music.volume');
        } catch (e) {
            v = null;
        }
        var n = parseInt(v, 10);
        return n >= 0 && n <= 100 ? n : 80;
    }

    function refresh() {
        shell('desktopaccess', 'Music');
    }

    function tick() {
        // Once the song has run out: the next one, or stop after the last.
        if (playing && !paused && length > 0 && position + (now() - since) >= length + 400)
            step(1, true);
        updateProgress();
    }

    function start() {
        if (!window.api) {
            $('noshell').hidden = false;
            return;
        }
        $('songs').addEventListener('click', function (event) {
            var row = event.target;
            while (row && row !== this && !/\bsong\b/.test(row.className))
                row = row.parentNode;
            if (row && row !== this)
                play(parseInt(row.getAttribute('data-index'), 10));
        });
        $('play').addEventListener('click', togglePlay);
        $('stop').addEventListener('click', stop);
        $('next').addEventListener('click', function () { step(1, false); });
        $('prev').addEventListener('click', previous);
        $('shuffle').addEventListener('click', function () {
            shuffle = !shuffle;
            this.className = 'toggle' + (shuffle ? ' on' : '');
        });
        $('refresh').addEventListener('click', refresh);
        $('search').addEventListener('input', render);
        $('songs').addEventListener('scroll', function () { drawVisible(false); });
        window.addEventListener('resize', function () { drawVisible(false); });

        var track = $('track');
        track.addEventListener('mousedown', startDrag);
        track.addEventListener('touchstart', startDrag);
        document.addEventListener('mousemove', moveDrag);
        document.addEventListener('touchmove', moveDrag);
        document.addEventListener('mouseup', endDrag);
        document.addEventListener('touchend', endDrag);

        var volume = $('volume');
        volume.value = savedVolume();
        volume.addEventListener('input', function () { setVolume(parseInt(this.value, 10)); });
        volume.addEventListener('change', function () { setVolume(parseInt(this.value, 10)); });
        shell('setVolume', volume.value / 100);

        document.addEventListener('keydown', function (event) {
            if (event.target === $('search'))
                return;
            if (event.keyCode === 32) {
                togglePlay();
                event.preventDefault();
            } else if (event.keyCode === 39) {
                step(1, false);
            } else if (event.keyCode === 37) {
                previous();
            }
        });

        setInterval(tick, 250);
        showNowPlaying();
        refresh();
    }

    start();
})();
