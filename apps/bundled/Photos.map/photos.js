// The Photos app: the user's pictures from the shell's Picture listing, more
// picked with the shell's file dialog, and a full-screen viewer.
(function () {
    'use strict';

    var FILTER = 'Images (*.jpg *.jpeg *.png *.gif *.bmp)';
    var STORE = 'photos.added';

    var pictures = []; // {path, url, name} from the Pictures folder
    var added = [];    // the same for files picked with Add
    var viewing = -1;  // index into all()
    var rendered = 0;  // folder tiles made so far; more follow on scrolling
    var PAGE = 120;

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

    function all() {
        return pictures.concat(added);
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
        return all().some(function (p) { return p.path === path; });
    }

    // The listing: names separated by "/" in the third argument (a name may
    // hold a comma); a shell that sends two arguments gives ",a,b".
    window.Filler = function (listing, folder, names) {
        var list;
        if (arguments.length > 2)
            list = names === '' ? [] : String(names).split('/');
        else
            list = String(listing).split(',').slice(1);
        var base = String(folder).replace(/\/$/, '');
        pictures = [];
        list.forEach(function (name) {
            if (isPicture(name))
                pictures.push(photo(base + '/' + name));
        });
        // A picked file that is in the folder by now shows once, in the folder.
        added = added.filter(function (a) {
            return !pictures.some(function (p) { return p.path === a.path; });
        });
        $('folder').textContent = folder;
        render();
    };

    function makeTile(p, index) {
        var tile = document.createElement('div');
        tile.className = 'tile';
        tile.setAttribute('data-index', index);
        tile.title = p.name;
        tile.style.backgroundImage = 'url("' + p.url + '")';
        return tile;
    }

    function append(grid, list, offset, from, to) {
        var fragment = document.createDocumentFragment();
        for (var i = from; i < to; ++i)
            fragment.appendChild(makeTile(list[i], offset + i));
        grid.appendChild(fragment);
    }

    // A large folder is laid out a page of tiles at a time.
    function renderMore() {
        var end = Math.min(pictures.length, rendered + PAGE);
        append($('pictures'), pictures, 0, rendered, end);
        rendered = end;
    }

    function render() {
        $('pictures').textContent = '';
        rendered = 0;
        renderMore();
        $('added').textContent = '';
        append($('added'), added, pictures.length, 0, added.length);
        var total = pictures.length + added.length;
        $('count').textContent = total === 1 ? '1 photo' : total + ' photos';
        $('pictures-section').hidden = pictures.length === 0;
        $('added-section').hidden = added.length === 0;
        $('empty').hidden = total > 0;
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
                first = pictures.length + added.length;
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
        var list = all();
        if (index < 0 || index >= list.length)
            return;
        viewing = index;
        var p = list[index];
        var img = $('photo');
        $('broken').hidden = true;
        img.hidden = false;
        img.style.webkitTransform = '';
        img.style.transform = '';
        img.src = p.url;
        img.alt = p.name;
        $('photo-name').textContent = p.name;
        $('photo-count').textContent = (index + 1) + ' of ' + list.length;
        $('previous').disabled = index === 0;
        $('next').disabled = index === list.length - 1;
        // Only picked photos can be removed; the button keeps its place.
        $('remove').style.visibility = index < pictures.length ? 'hidden' : 'visible';
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
        var at = viewing - pictures.length;
        if (at < 0 || at >= added.length)
            return;
        added.splice(at, 1);
        saveAdded();
        render();
        if (all().length === 0)
            close();
        else
            show(Math.min(viewing, all().length - 1));
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
        $('library').addEventListener('scroll', function () {
            if (rendered < pictures.length &&
                this.scrollTop + this.clientHeight > this.scrollHeight - 800)
                renderMore();
        });
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
