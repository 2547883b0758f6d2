// The Photos app: the user's pictures from the shell's Picture listing, more
// picked with the shell's file dialog, and a full-screen viewer.
(function () {
    'use strict';

    var FILTER = 'Images (*.jpg *.jpeg *.png *.gif *.bmp)';
    var STORE = 'photos.added';

    // A large folder holds only its names; an address and a tile are made
    // for a picture when its tile is in sight or it is shown.
    var names = [];    // picture names in the Pictures folder
    var base = '';     // that folder, without a trailing "/"
    var added = [];    // {path, url, name} of files picked with Add
    var viewing = -1;  // index into the folder's pictures, then the added ones
    // Only the rows of tiles in sight, and a margin, exist; the grid's
    // padding stands in for the others and the tiles are reused on scroll.
    var firstTile = 0;
    var MARGIN_ROWS = 3;

    function $(id) { return document.getElementById(id); }

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

    // A file URL for an absolute path with "/" separators.
    function fileUrl(path) {
        var encoded = path.split('/').map(function (p, i) {
            return i === 0 && /^[A-Za-z]:$/.test(p) ? p : encodeSegment(p);
        }).join('/');
        return 'file://' + (encoded.charAt(0) === '/' ? '' : '/') + encoded;
    }

    function baseName(path) {
        return path.substring(path.lastIndexOf('/') + 1);
    }

    function photo(path) {
        return { path: path, url: fileUrl(path), name: baseName(path) };
    }

    function isPicture(name) {
        return /\.(jpe?g|png|gif|bmp)$/i.test(name);
    }

    function total() {
        return names.length + added.length;
    }

    function photoAt(index) {
        return index < names.length ? photo(base + '/' + names[index]) :
            added[index - names.length];
    }

    function inFolder(path) {
        return path.lastIndexOf('/') === base.length && path.indexOf(base + '/') === 0 &&
            names.indexOf(baseName(path)) >= 0;
    }

    function loadAdded() {
        var paths = [];
        try {
            paths = JSON.parse(localStorage.getItem(STORE) || '[]');
        } catch (e) {
            paths = [];
        }
        added = [];
        if (!(paths instanceof Array))
            return;
        paths.forEach(function (p) {
            if (typeof p === 'string' && p)
                added.push(photo(p));
        });
    }

    function saveAdded() {
        try {
            localStorage.setItem(STORE, JSON.stringify(added.map(function (p) { return p.path; })));
        } catch (e) {
            // Without storage the additions last until the page closes.
        }
    }

    function known(path) {
        return inFolder(path) || added.some(function (p) { return p.path === path; });
    }

    // The listing: names separated by "/" in the third argument (a name may
    // hold a comma); a shell that sends two arguments gives ",a,b".
    window.Filler = function (listing, folder, whole) {
        var list;
        if (arguments.length > 2)
            list = whole === '' ? [] : String(whole).split('/');
        else
            list = String(listing).split(',').slice(1);
        base = String(folder).replace(/\/$/, '');
        names = list.filter(isPicture);
        // A picked file that is in the folder by now shows once, in the folder.
        added = added.filter(function (a) { return !inFolder(a.path); });
        $('folder').textContent = folder;
        render();
    };

    function fillTile(tile, index) {
        var p = photoAt(index);
        tile.setAttribute('data-index', index);
        tile.title = p.name;
        tile.style.backgroundImage = 'url("' + p.url + '")';
    }

    function makeTile() {
        var tile = document.createElement('div');
        tile.className = 'tile';
        return tile;
    }

    // Makes the folder's tiles from just above to just below the part of the
    // library in sight, reusing the tiles already there.
    function drawTiles(force) {
        var grid = $('pictures');
        var library = $('library');
        if (!names.length) {
            grid.textContent = '';
            return;
        }
        if (!grid.firstChild)
            grid.appendChild(makeTile());
        var box = grid.firstChild.getBoundingClientRect();
        var columns = Math.max(1, Math.round(grid.getBoundingClientRect().width / box.width));
        var height = box.height || 1;
        var rows = Math.ceil(names.length / columns);
        var top = library.scrollTop - grid.offsetTop;
        var from = Math.max(0, Math.floor(top / height) - MARGIN_ROWS);
        var to = Math.min(rows, Math.ceil((top + library.clientHeight) / height) + MARGIN_ROWS);
        from = Math.min(from, to);
        var start = from * columns;
        var end = Math.min(names.length, to * columns);
        if (!force && start === firstTile && grid.children.length === end - start)
            return;
        firstTile = start;
        while (grid.children.length > end - start)
            grid.removeChild(grid.lastChild);
        while (grid.children.length < end - start)
            grid.appendChild(makeTile());
        for (var i = start; i < end; ++i)
            fillTile(grid.children[i - start], i);
        grid.style.paddingTop = (from * height) + 'px';
        grid.style.paddingBottom = ((rows - to) * height) + 'px';
    }

    function render() {
        $('pictures').textContent = '';
        var count = total();
        $('count').textContent = count === 1 ? '1 photo' : count + ' photos';
        $('pictures-section').hidden = names.length === 0;
        $('added-section').hidden = added.length === 0;
        $('empty').hidden = count > 0;
        drawTiles(true);
        var grid = $('added');
        grid.textContent = '';
        for (var i = 0; i < added.length; ++i) {
            var tile = makeTile();
            fillTile(tile, names.length + i);
            grid.appendChild(tile);
        }
    }

    function addPhotos() {
        var picked = shell('GetFiles', FILTER);
        if (!picked || !picked.length)
            return;
        var first = -1;
        for (var i = 0; i < picked.length; ++i) {
            var path = String(picked[i]).replace(/\\/g, '/');
            if (!isPicture(path) || known(path))
                continue;
            if (first < 0)
                first = total();
            added.push(photo(path));
        }
        saveAdded();
        render();
        if (first >= 0) {
            var tile = document.querySelector('.tile[data-index="' + first + '"]');
            if (tile && tile.scrollIntoView)
                tile.scrollIntoView(false);
        }
    }

    // The viewer.

    function show(index) {
        var count = total();
        if (index < 0 || index >= count)
            return;
        viewing = index;
        var p = photoAt(index);
        var img = $('photo');
        $('broken').hidden = true;
        img.hidden = false;
        img.style.webkitTransform = '';
        img.style.transform = '';
        img.src = p.url;
        img.alt = p.name;
        $('photo-name').textContent = p.name;
        $('photo-count').textContent = (index + 1) + ' of ' + count;
        $('previous').disabled = index === 0;
        $('next').disabled = index === count - 1;
        // Only picked photos can be removed; the button keeps its place.
        $('remove').style.visibility = index < names.length ? 'hidden' : 'visible';
        var viewer = $('viewer');
        viewer.className = 'viewer';
        viewer.hidden = false;
    }

    function close() {
        $('viewer').hidden = true;
        $('photo').removeAttribute('src');
        viewing = -1;
    }

    function removeShown() {
        var at = viewing - names.length;
        if (at < 0 || at >= added.length)
            return;
        added.splice(at, 1);
        saveAdded();
        render();
        if (total() === 0)
            close();
        else
            show(Math.min(viewing, total() - 1));
    }

    // Swipe to change pictures; a tap shows or hides the controls.
    var swipeStart = null;

    function pointX(event) {
        if (event.touches && event.touches.length)
            return event.touches[0].clientX;
        if (event.changedTouches && event.changedTouches.length)
            return event.changedTouches[0].clientX;
        return event.clientX;
    }

    function swipeBegin(event) {
        swipeStart = pointX(event);
        $('photo').className = 'dragging';
        if (event.type === 'mousedown')
            event.preventDefault();
    }

    function swipeMove(event) {
        if (swipeStart === null)
            return;
        var dx = pointX(event) - swipeStart;
        $('photo').style.webkitTransform = 'translateX(' + dx + 'px)';
        $('photo').style.transform = 'translateX(' + dx + 'px)';
    }

    function swipeEnd(event) {
        if (swipeStart === null)
            return;
        var dx = pointX(event) - swipeStart;
        swipeStart = null;
        var img = $('photo');
        img.className = '';
        img.style.webkitTransform = '';
        img.style.transform = '';
        if (dx < -60)
            show(viewing + 1);
        else if (dx > 60)
            show(viewing - 1);
        else if (Math.abs(dx) < 6)
            $('viewer').className = /\bbare\b/.test($('viewer').className) ? 'viewer' :
                'viewer bare';
    }

    function start() {
        if (!window.api) {
            $('noshell').hidden = false;
            return;
        }
        loadAdded();
        $('library').addEventListener('click', function (event) {
            var t = event.target;
            if (t && /\btile\b/.test(t.className))
                show(parseInt(t.getAttribute('data-index'), 10));
        });
        $('add').addEventListener('click', addPhotos);
        $('library').addEventListener('scroll', function () { drawTiles(false); });
        window.addEventListener('resize', function () { drawTiles(true); });
        $('close').addEventListener('click', close);
        $('previous').addEventListener('click', function () { show(viewing - 1); });
        $('next').addEventListener('click', function () { show(viewing + 1); });
        $('remove').addEventListener('click', removeShown);
        $('photo').addEventListener('error', function () {
            if (this.getAttribute('src')) {
                this.hidden = true;
                $('broken').hidden = false;
            }
        });
        var stage = $('stage');
        stage.addEventListener('mousedown', swipeBegin);
        stage.addEventListener('touchstart', swipeBegin);
        document.addEventListener('mousemove', swipeMove);
        document.addEventListener('touchmove', swipeMove);
        document.addEventListener('mouseup', swipeEnd);
        document.addEventListener('touchend', swipeEnd);
        document.addEventListener('keydown', function (event) {
            if (viewing < 0)
                return;
            if (event.keyCode === 27)
                close();
            else if (event.keyCode === 37)
                show(viewing - 1);
            else if (event.keyCode === 39)
                show(viewing + 1);
        });
        render();
        shell('desktopaccess', 'Picture');
    }

    start();
})();
