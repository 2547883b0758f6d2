// The mail panel's account list. The list's markup is kept in local storage
// under "mails": the divider and one item per account, whose first link holds
// the address (attribute n) and the service address (attribute data).
(function ($) {
    'use strict';

    function list() {
        return $('#listview');
    }

    function store() {
        localStorage.setItem('mails', list().html());
    }

    function refresh() {
        var l = list();
        if (l.hasClass('ui-listview'))
            l.listview('refresh');
        $('#noaccounts').toggle(l.children('li').children('a[data]').length === 0);
    }

    // One name, one "@", one host, and no spaces.
    function isAddress(email) {
        return /^[^\s@]+@[^\s@]+$/.test(email);
    }

    function accountItem(email, service) {
        // Built as elements, never as markup text: what the user typed stays text.
        var item = $('<li data-theme="a"></li>');
        $('<a href="#page1" data-transition="slide"></a>')
            .attr('n', email).attr('data', service).text(email).appendTo(item);
        $('<a href="#purchase" class="dele" data-icon="delete">delete album</a>').appendTo(item);
        return item;
    }

    // The stored list comes back before the list is enhanced. Every change is
    // stored at once, so leaving the page stores nothing: a page closed early,
    // or one whose list is older, must not overwrite the saved accounts.
    $(document).on('pagebeforecreate', '#page1', function () {
        var saved = localStorage.getItem('mails');
        if (saved !== null)
            list().html(saved);
    });

    // Another panel's list changed the accounts: show the same list here.
    $(window).on('storage', function (e) {
        var change = e.originalEvent;
        if (change.key !== 'mails' || change.newValue === null)
            return;
        list().html(change.newValue);
        refresh();
    });

    $(document).on('pagecreate', '#page1', refresh);

    $(document).on('click', '#addbtn', function (e) {
        e.preventDefault();
        var email = $.trim($('#TxtEmail').val());
        var service = $('input[name=radioGroup]:checked').val();
        if (email === '') {
            alert('Email plz!');
            return;
        }
        if (!isAddress(email)) {
            alert('Please type an email address of the form name@host.');
            return;
        }
        if (service === undefined || service === '') {
            alert('Service plz!');
            return;
        }
        $(':mobile-pagecontainer').pagecontainer('change', '#page1',
                                                 {transition: 'slide', reverse: true});
        list().append(accountItem(email, service));
        refresh();
        store();
        $('#Txtname').val('');
        $('#TxtEmail').val('');
    });

    $(document).on('click', '#listview a.dele', function (e) {
        // Deleting is all a tap on the delete control does: the item's own
        // link, which would open the account, never sees it.
        e.preventDefault();
        e.stopPropagation();
        var item = $(this).closest('li');
        if (!confirm('Delete the account ' + item.children('a').first().attr('n') + '?'))
            return;
        item.remove();
        refresh();
        store();
    });

    $(document).on('click', '#listview li', function (e) {
        if ($(e.target).closest('a.dele').length)
            return;
        var link = $(this).children('a').first();
        var service = link.attr('data');
        if (service === undefined || !window.myob)
            return;
        window.myob.Mailservice(service, link.attr('n') || '');
    });
}(jQuery));
