<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>ChangesDialog</name>
    <message>
        <source>Changes</source>
        <translation>Changes</translation>
    </message>
    <message>
        <source>What a save would write: each file it would change, against what the file holds on disk now.</source>
        <translation>Что запишет сохранение: каждый файл, который оно изменит, в сравнении с тем, что файл содержит на диске сейчас.</translation>
    </message>
    <message>
        <source>Nothing to save: the files hold what the window shows.</source>
        <translation>Сохранять нечего: файлы содержат то, что показывает окно.</translation>
    </message>
</context>
<context>
    <name>ChangesView</name>
    <message>
        <source>How many files change, and how many lines are added (+) and removed (-) in all</source>
        <translation>Сколько файлов изменяется и сколько всего строк добавляется (+) и удаляется (-)</translation>
    </message>
    <message>
        <source>The files that change, each with its lines added (+) and removed (-); choose one to see its lines</source>
        <translation>Изменяемые файлы, у каждого число добавленных (+) и удалённых (-) строк; выберите файл, чтобы увидеть его строки</translation>
    </message>
    <message>
        <source>The lines of the file that change, with three unchanged lines around them: added lines are green (+), removed lines red (-); the numbers are the lines&apos; places in the older and the newer version</source>
        <translation>Изменяемые строки файла с тремя неизменными строками вокруг: добавленные строки зелёные (+), удалённые красные (-); числа — номера строк в старой и новой версии</translation>
    </message>
    <message>
        <source>unchanged</source>
        <translation>без изменений</translation>
    </message>
    <message>
        <source>new</source>
        <translation>новый</translation>
    </message>
    <message>
        <source>deleted</source>
        <translation>удалён</translation>
    </message>
    <message>
        <source>Files changed: %1, lines %2</source>
        <translation>Изменено файлов: %1, строк %2</translation>
    </message>
</context>
<context>
    <name>DependentRules</name>
    <message>
        <source>1 rule</source>
        <translation>1 правило</translation>
    </message>
    <message>
        <source>%1 rules</source>
        <translation>%1 правил(а)</translation>
    </message>
    <message>
        <source>Group %1%2 keeps %3 (URL, word, time, port, limit, speed or authorization rules), but this delete leaves it no name, network or host line. The next start keeps the rules only of groups that have one, so it would drop them.

Delete the group&apos;s %3 too?</source>
        <translation>У группы %1%2 остаётся %3 (правила URL, слов, времени, портов, ограничений, скорости или авторизации), но после этого удаления у неё не будет ни имени, ни сети, ни компьютера. При следующем запуске сохраняются правила только тех групп, у которых что-то из этого есть, поэтому они пропадут.

Удалить вместе с группой и её правила (%3)?</translation>
    </message>
    <message>
        <source>Groups %1 keep %2 (URL, word, time, port, limit, speed or authorization rules), but this delete leaves them no name, network or host line. The next start keeps the rules only of groups that have one, so it would drop them.

Delete the groups&apos; %2 too?</source>
        <translation>У групп %1 остаётся %2 (правила URL, слов, времени, портов, ограничений, скорости или авторизации), но после этого удаления у них не будет ни имени, ни сети, ни компьютера. При следующем запуске сохраняются правила только тех групп, у которых что-то из этого есть, поэтому они пропадут.

Удалить вместе с группами и их правила (%2)?</translation>
    </message>
    <message>
        <source>%1 and %2</source>
        <translation>%1 и %2</translation>
    </message>
</context>
<context>
    <name>DiffLinesModel</name>
    <message>
        <source>\ No newline at end of file</source>
        <translation>\ Нет перевода строки в конце файла</translation>
    </message>
    <message>
        <source>Old</source>
        <translation>Old</translation>
    </message>
    <message>
        <source>New</source>
        <translation>New</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>Line</translation>
    </message>
</context>
<context>
    <name>DroppedLinesDialog</name>
    <message>
        <source>Lines not kept</source>
        <translation>Lines not kept</translation>
    </message>
    <message>
        <source>These lines of the rule files were not loaded: a save that writes their file leaves them out. An entry without a line number is about a whole file.</source>
        <translation>These lines of the rule files were not loaded: a save that writes their file leaves them out. An entry without a line number is about a whole file.</translation>
    </message>
    <message>
        <source>The lines left out: the file, the line and why</source>
        <translation>Пропущенные строки: файл, строка и причина</translation>
    </message>
    <message>
        <source>File</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>Line</translation>
    </message>
    <message>
        <source>Reason</source>
        <translation>Reason</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source> The first %1 of %2 lines are listed.</source>
        <translation> Показаны первые %1 из %2 строк.</translation>
    </message>
    <message>
        <source>Lines of the rule files that were not loaded: show which and why</source>
        <translation>Строки файлов правил, которые не были загружены: показать, какие и почему</translation>
    </message>
</context>
<context>
    <name>GroupChoice</name>
    <message>
        <source>Choose the group of the rule in &quot;Group ID&quot;: pick it from the list or type its number (0 to 64).</source>
        <translation>Выберите группу правила в поле «Group ID»: из списка или введите её номер (от 0 до 64).</translation>
    </message>
</context>
<context>
    <name>GroupCombo</name>
    <message>
        <source>The group the rule belongs to: choose one or type its number (0 to 64)</source>
        <translation>Группа, к которой относится правило: выберите её или введите номер (от 0 до 64)</translation>
    </message>
</context>
<context>
    <name>GroupEditor</name>
    <message>
        <source>name</source>
        <translation>название</translation>
    </message>
</context>
<context>
    <name>HistoryDialog</name>
    <message>
        <source>History</source>
        <translation>History</translation>
    </message>
    <message>
        <source>Every save the history recorded, newest first: its number, when and by whom, how many files and lines it changed, and its comment</source>
        <translation>Все сохранения, записанные в историю, новые сначала: номер, когда и кем, сколько файлов и строк изменено, комментарий</translation>
    </message>
    <message>
        <source>Compare with:</source>
        <translation>Compare with:</translation>
    </message>
    <message>
        <source>What the chosen generation is compared with: the generation before it, the files as they are now, or any other generation</source>
        <translation>С чем сравнивается выбранное поколение: с предыдущим поколением, с файлами в их нынешнем виде или с любым другим поколением</translation>
    </message>
    <message>
        <source>The two versions compared: lines of the first one removed (-), lines of the second one added (+)</source>
        <translation>Сравниваемые версии: строки первой удалены (-), строки второй добавлены (+)</translation>
    </message>
    <message>
        <source>&amp;Restore</source>
        <translation>&amp;Restore</translation>
    </message>
    <message>
        <source>Write the files of the chosen generation back, as a save; the restore is recorded in the history too, so restoring the generation before it undoes it</source>
        <translation>Записать файлы выбранного поколения обратно, как при сохранении; восстановление тоже записывается в историю, и восстановление предыдущего поколения его отменяет</translation>
    </message>
    <message>
        <source>Every save of the configuration in %1 is recorded in %2.</source>
        <translation>Каждое сохранение конфигурации в %1 записывается в %2.</translation>
    </message>
    <message>
        <source>No save has been recorded yet.</source>
        <translation>Ни одно сохранение ещё не записано.</translation>
    </message>
    <message>
        <source>the generation before it</source>
        <translation>с предыдущим поколением</translation>
    </message>
    <message>
        <source>the files now</source>
        <translation>с файлами сейчас</translation>
    </message>
    <message>
        <source>generation %1 (%2)</source>
        <translation>с поколением %1 (%2)</translation>
    </message>
    <message>
        <source>Choose a generation.</source>
        <translation>Выберите поколение.</translation>
    </message>
    <message>
        <source>generation %1</source>
        <translation>поколение %1</translation>
    </message>
    <message>
        <source>nothing</source>
        <translation>ничего</translation>
    </message>
    <message>
        <source>The two versions hold the same lines.</source>
        <translation>Обе версии содержат одинаковые строки.</translation>
    </message>
    <message>
        <source>Restore generation %1, saved %2 by %3?

Its files are written back as a save: those that differ from the disk are replaced, each rule file keeping its present content as .bak, and the window reads them again. The restore is recorded in the history as a generation of its own, so restoring the one before it undoes it.</source>
        <translation>Восстановить поколение %1, сохранённое %2 пользователем %3?

Его файлы записываются обратно, как при сохранении: те, что отличаются от диска, заменяются (нынешнее содержимое каждого файла правил сохраняется как .bak), и окно перечитывает их. Восстановление записывается в историю отдельным поколением, и восстановление предыдущего поколения его отменяет.</translation>
    </message>
</context>
<context>
    <name>HistoryModel</name>
    <message>
        <source>No.</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>User</source>
        <translation>User</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>Lines</source>
        <translation>Lines</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Comment</translation>
    </message>
</context>
<context>
    <name>ListViews</name>
    <message>
        <source>Shows only the rows that contain this text (Ctrl+F; Escape clears)</source>
        <translation>Показывает только строки, содержащие этот текст (Ctrl+F; Escape очищает)</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Add</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>group</source>
        <translation>группа</translation>
    </message>
    <message>
        <source>network rule</source>
        <translation>сеть</translation>
    </message>
    <message>
        <source>host rule</source>
        <translation>компьютер</translation>
    </message>
    <message>
        <source>URL rule</source>
        <translation>правило URL</translation>
    </message>
    <message>
        <source>word rule</source>
        <translation>запрещённое слово</translation>
    </message>
    <message>
        <source>traffic limit</source>
        <translation>ограничение трафика</translation>
    </message>
    <message>
        <source>speed limit</source>
        <translation>ограничение скорости</translation>
    </message>
    <message>
        <source>allowed port rule</source>
        <translation>разрешённый порт</translation>
    </message>
    <message>
        <source>blocked port rule</source>
        <translation>запрещённый порт</translation>
    </message>
    <message>
        <source>time rule</source>
        <translation>правило времени</translation>
    </message>
    <message>
        <source>authorization rule</source>
        <translation>авторизация</translation>
    </message>
    <message>
        <source>rule</source>
        <translation>правило</translation>
    </message>
    <message>
        <source>cache-skip rule</source>
        <translation>правило кэширования</translation>
    </message>
    <message>
        <source>service</source>
        <translation>сервис</translation>
    </message>
    <message>
        <source>1 %1</source>
        <translation>%1: 1</translation>
    </message>
    <message>
        <source>%1 %2s</source>
        <translation>%2: %1</translation>
    </message>
    <message>
        <source>%1 and %2</source>
        <translation>%1 и %2</translation>
    </message>
    <message>
        <source>other rule</source>
        <translation>прочие правила</translation>
    </message>
    <message>
        <source>Deleted %1. %2 brings it back.</source>
        <translation>Удалено (%1). %2 вернёт удалённое.</translation>
    </message>
    <message>
        <source>Deleted %1. %2 brings them back.</source>
        <translation>Удалено (%1). %2 вернёт удалённое.</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Добавить</translation>
    </message>
    <message>
        <source>New %1 (Insert or Ctrl+N)</source>
        <translation>Добавить: %1 (Insert или Ctrl+N)</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Изменить</translation>
    </message>
    <message>
        <source>Edit the selected %1 (F2 or Enter)</source>
        <translation>Изменить выбранное: %1 (F2 или Enter)</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Удалить</translation>
    </message>
    <message>
        <source>Delete the selected %1s (Delete)</source>
        <translation>Удалить выбранные: %1 (Delete)</translation>
    </message>
</context>
<context>
    <name>ManualServiceEditor</name>
    <message>
        <source>The server name %1</source>
        <translation>Имя сервера %1</translation>
    </message>
</context>
<context>
    <name>OutsideChangesDialog</name>
    <message>
        <source>Changes on disk and in the window</source>
        <translation>Changes on disk and in the window</translation>
    </message>
    <message>
        <source>Someone else changed files since the configurator read them. On the left their change (what was read against what is on disk now), on the right the window&apos;s (what was read against what a save would write).

Overwrite: save the configuration of the window over their change.
Reload: read the files again, taking their lines into the window; the changes made in the window are lost.
Cancel: save nothing.</source>
        <translation>Кто-то другой изменил файлы после того, как конфигуратор их прочитал. Слева их изменение (прочитанное в сравнении с тем, что на диске сейчас), справа изменение окна (прочитанное в сравнении с тем, что запишет сохранение).

Overwrite: сохранить конфигурацию окна поверх их изменения.
Reload: перечитать файлы, взяв их строки в окно; изменения, сделанные в окне, будут потеряны.
Cancel: ничего не сохранять.</translation>
    </message>
    <message>
        <source>Their change: on disk since it was read</source>
        <translation>Their change: on disk since it was read</translation>
    </message>
    <message>
        <source>Our change: what the window would write</source>
        <translation>Our change: what the window would write</translation>
    </message>
    <message>
        <source>Their change left no line different.</source>
        <translation>Их изменение не изменило ни одной строки.</translation>
    </message>
    <message>
        <source>The window changes no line of these files.</source>
        <translation>Окно не меняет ни одной строки этих файлов.</translation>
    </message>
</context>
<context>
    <name>RuleEditor</name>
    <message>
        <source>The rule of the selected row is no longer held in its group. Nothing was changed.</source>
        <translation>Правило выбранной строки больше не хранится в своей группе. Ничего не изменено.</translation>
    </message>
    <message>
        <source>Group %1 already has its %2: %3.

Replace it with the one typed here?</source>
        <translation>У группы %1 уже есть %2: %3.

Заменить введённым здесь?</translation>
    </message>
    <message>
        <source>no values</source>
        <translation>без значений</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Replace</translation>
    </message>
</context>
<context>
    <name>RuleFileFields</name>
    <message>
        <source>

The previous name is kept.</source>
        <translation>

Оставлено прежнее имя.</translation>
    </message>
    <message>
        <source>

Nothing was saved.</source>
        <translation>

Ничего не сохранено.</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; exists, and the configurator has not read it.

Read rules: show its rules in place of the present ones (Ctrl+Z brings them back).
Keep rules: keep the present rules; the next save replaces the file with them.
Cancel: keep the previous name.</source>
        <translation>Файл «%1» существует, и конфигуратор его не читал.

Read rules: показать его правила вместо нынешних (Ctrl+Z вернёт их).
Keep rules: оставить нынешние правила; следующее сохранение заменит ими файл.
Cancel: оставить прежнее имя.</translation>
    </message>
    <message>
        <source>The rules of %1 are shown (Ctrl+Z brings back the previous ones)</source>
        <translation>Показаны правила из %1 (Ctrl+Z вернёт прежние)</translation>
    </message>
    <message>
        <source>access rules</source>
        <translation>правил доступа</translation>
    </message>
    <message>
        <source>cache-skip rules</source>
        <translation>правил избирательного кэширования</translation>
    </message>
    <message>
        <source>port-mapping rules</source>
        <translation>правил роутинга портов</translation>
    </message>
    <message>
        <source>The %1 have no file yet. Save them in the file (relative names count from %2):</source>
        <translation>У %1 ещё нет файла. Сохранить их в файл (относительные имена считаются от %2):</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; exists already. Replace it with the %2?</source>
        <translation>Файл «%1» уже существует. Заменить его файлом %2?</translation>
    </message>
</context>
<context>
    <name>ServiceControls</name>
    <message>
        <source>Service Unit</source>
        <translation>Service Unit</translation>
    </message>
    <message>
        <source>The systemd unit the GLYM proxy runs as (for example glym.service):</source>
        <translation>Юнит systemd, под которым работает прокси GLYM (например, glym.service):</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot name a systemd unit: use letters, digits and &quot;:_.@\-&quot;.</source>
        <translation>«%1» не может быть именем юнита systemd: используйте латинские буквы, цифры и «:_.@\-».</translation>
    </message>
    <message>
        <source>Reloading %1...</source>
        <translation>Перезагрузка %1...</translation>
    </message>
    <message>
        <source>Not applied: %1</source>
        <translation>Не применено: %1</translation>
    </message>
    <message>
        <source>%1: not available</source>
        <translation>%1: недоступен</translation>
    </message>
    <message>
        <source>The state of the GLYM proxy&apos;s systemd unit; the Service menu drives it</source>
        <translation>Состояние юнита systemd прокси GLYM; им управляет меню Service</translation>
    </message>
    <message>
        <source>Looking for %1 on the system bus...</source>
        <translation>Поиск %1 на системной шине...</translation>
    </message>
</context>
<context>
    <name>SettingsForm</name>
    <message>
        <source>These settings hold values that the proxy cannot read as its numbers:</source>
        <translation>Эти настройки содержат значения, которые прокси не сможет прочитать как числа:</translation>
    </message>
    <message>
        <source>Save anyway: store them as they stand.
Cancel: save nothing.</source>
        <translation>Save anyway: сохранить их как есть.
Cancel: ничего не сохранять.</translation>
    </message>
    <message>
        <source>the port &quot;%1&quot; but no address</source>
        <translation>порт «%1», но нет адреса</translation>
    </message>
    <message>
        <source>the address &quot;%1&quot; but no port</source>
        <translation>адрес «%1», но нет порта</translation>
    </message>
    <message>
        <source>The parent proxy has %1: the proxy needs both to use it.

Save without parent proxy: store no parent proxy (an empty Master of [Server]).
Cancel: save nothing.</source>
        <translation>У вышестоящего прокси указан %1: чтобы им пользоваться, прокси нужны оба.

Save without parent proxy: не сохранять вышестоящий прокси (пустой Master в [Server]).
Cancel: ничего не сохранять.</translation>
    </message>
    <message>
        <source>%1
This file does not exist.
Create the file?</source>
        <translation>%1
Такого файла нет.
Создать файл?</translation>
    </message>
    <message>
        <source>Cannot create directory &quot;%1&quot;. %2</source>
        <translation>Не удаётся создать каталог «%1». %2</translation>
    </message>
</context>
<context>
    <name>StatisticsBar</name>
    <message>
        <source>Log:</source>
        <translation>Log:</translation>
    </message>
    <message>
        <source>The log files the statistics show, oldest first</source>
        <translation>Файлы журнала, по которым показана статистика, от старых к новым</translation>
    </message>
    <message>
        <source>All</source>
        <translation>All</translation>
    </message>
    <message>
        <source>Today</source>
        <translation>Today</translation>
    </message>
    <message>
        <source>Yesterday</source>
        <translation>Yesterday</translation>
    </message>
    <message>
        <source>This week</source>
        <translation>This week</translation>
    </message>
    <message>
        <source>This month</source>
        <translation>This month</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Custom</translation>
    </message>
    <message>
        <source>The period the statistics cover: connections that started in it count</source>
        <translation>Период статистики: учитываются подключения, начавшиеся в нём</translation>
    </message>
    <message>
        <source>From</source>
        <translation>From</translation>
    </message>
    <message>
        <source>dd.MM.yyyy HH:mm:ss</source>
        <translation>dd.MM.yyyy HH:mm:ss</translation>
    </message>
    <message>
        <source>The first second of the period: connections that started at or after it count</source>
        <translation>Первая секунда периода: учитываются подключения, начавшиеся в эту секунду или позже</translation>
    </message>
    <message>
        <source>To</source>
        <translation>To</translation>
    </message>
    <message>
        <source>The last second of the period: connections that started at or before it count</source>
        <translation>Последняя секунда периода: учитываются подключения, начавшиеся в эту секунду или раньше</translation>
    </message>
    <message>
        <source>Follow</source>
        <translation>Follow</translation>
    </message>
    <message>
        <source>Read what the proxy appends to the log every few seconds (the interval is set in Statistics &gt; Follow Interval)</source>
        <translation>Каждые несколько секунд читать то, что прокси дописывает в журнал (интервал задаётся в Statistics &gt; Follow Interval)</translation>
    </message>
    <message>
        <source>Clients</source>
        <translation>Clients</translation>
    </message>
    <message>
        <source>Groups</source>
        <translation>Groups</translation>
    </message>
    <message>
        <source>Show the clients one by one, or the totals of each user group</source>
        <translation>Показать клиентов по отдельности или итоги по каждой группе пользователей</translation>
    </message>
    <message>
        <source>Lines of the log that could not be read: click to list them</source>
        <translation>Строки журнала, которые не удалось прочитать: нажмите, чтобы увидеть их список</translation>
    </message>
</context>
<context>
    <name>StatisticsChart</name>
    <message>
        <source>What the bars of the top clients measure</source>
        <translation>Что измеряют столбцы самых активных клиентов</translation>
    </message>
</context>
<context>
    <name>StatisticsPage</name>
    <message>
        <source>Reading stopped: the rows of the reading before are kept.</source>
        <translation>Чтение прервано: оставлены строки предыдущего чтения.</translation>
    </message>
    <message>
        <source>%1 already exists.
Replace it with the statistics?</source>
        <translation>%1 уже существует.
Заменить его статистикой?</translation>
    </message>
    <message>
        <source>The statistics cannot be exported to %1: it is %2</source>
        <translation>Статистику нельзя выгрузить в %1: это %2</translation>
    </message>
    <message>
        <source>. Choose another file.</source>
        <translation>. Выберите другой файл.</translation>
    </message>
    <message>
        <source>Statistic exported to %1: 1 row</source>
        <translation>Статистика выгружена в %1: 1 строка</translation>
    </message>
    <message>
        <source>Statistic exported to %1: %2 rows</source>
        <translation>Статистика выгружена в %1, строк: %2</translation>
    </message>
    <message>
        <source>Totals of each user group; a client of several groups counts in the row &quot;Several groups&quot; only</source>
        <translation>Итоги по каждой группе пользователей; клиент нескольких групп учитывается только в строке «Several groups»</translation>
    </message>
    <message>
        <source>Log: the Connect Log of the settings</source>
        <translation>Журнал: Connect Log из настроек</translation>
    </message>
    <message>
        <source>Logs (*.log *.log.* *.gz *.zst *.txt)</source>
        <translation>Журналы (*.log *.log.* *.gz *.zst *.txt)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Все файлы (*)</translation>
    </message>
    <message>
        <source>Log: %1</source>
        <translation>Журнал: %1</translation>
    </message>
    <message>
        <source>Logs: %1</source>
        <translation>Журналы: %1</translation>
    </message>
    <message>
        <source>Following: %1</source>
        <translation>Отслеживание: %1</translation>
    </message>
    <message>
        <source>1 line not read</source>
        <translation>1 строка не прочитана</translation>
    </message>
    <message>
        <source>%1 lines not read</source>
        <translation>Не прочитано строк: %1</translation>
    </message>
    <message>
        <source>Seconds between two readings of a followed log (1 to 3600):</source>
        <translation>Интервал между двумя чтениями отслеживаемого журнала, в секундах (от 1 до 3600):</translation>
    </message>
    <message>
        <source>Only a log that is not compressed can be followed, and only until a line stops the reading.</source>
        <translation>Отслеживать можно только несжатый журнал и только пока ни одна строка не остановила чтение.</translation>
    </message>
    <message>
        <source>%1 lines not read: %2 not of 9 fields, %3 without a readable start time. The first %4:</source>
        <translation>Не прочитано строк: %1 (не из 9 полей: %2, без читаемого времени начала: %3). Первые %4:</translation>
    </message>
    <message>
        <source>no readable start time</source>
        <translation>нет читаемого времени начала</translation>
    </message>
    <message>
        <source>not 9 fields</source>
        <translation>не 9 полей</translation>
    </message>
</context>
<context>
    <name>TFAuth</name>
    <message>
        <source>Authorization Rules</source>
        <translation>Authorization Rules</translation>
    </message>
    <message>
        <source> New Authorization Rules  </source>
        <translation> New Authorization Rules  </translation>
    </message>
    <message>
        <source>Group ID :</source>
        <translation>Group ID :</translation>
    </message>
    <message>
        <source>Type Auth :</source>
        <translation>Type Auth :</translation>
    </message>
    <message>
        <source>Input: the login the group&apos;s clients give to the proxy; Output: the login the proxy gives onwards for the group</source>
        <translation>Input — логин, который клиенты группы сообщают прокси; Output — логин, который прокси сообщает дальше от имени группы</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>Login :</source>
        <translation>Login :</translation>
    </message>
    <message>
        <source>Login of the group&apos;s authorization</source>
        <translation>Логин авторизации группы</translation>
    </message>
    <message>
        <source>Password :</source>
        <translation>Password :</translation>
    </message>
    <message>
        <source>Password of the group&apos;s authorization, stored in the access rules file as typed</source>
        <translation>Пароль авторизации группы; хранится в файле правил доступа как введён</translation>
    </message>
    <message>
        <source>Shows the password as typed while pressed in</source>
        <translation>Показывает введённый пароль, пока кнопка нажата</translation>
    </message>
    <message>
        <source>&amp;Show</source>
        <translation>&amp;Show</translation>
    </message>
    <message>
        <source>Comments :</source>
        <translation>Comments :</translation>
    </message>
    <message>
        <source>A note of your own, stored with the rule (no &quot;:&quot;)</source>
        <translation>Ваше примечание, хранится вместе с правилом (без «:»)</translation>
    </message>
    <message>
        <source>Store the rule and close the dialog</source>
        <translation>Сохранить правило и закрыть окно</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Close the dialog and change nothing</source>
        <translation>Закрыть окно, ничего не меняя</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TFCacheSkip</name>
    <message>
        <source>Cache Skip Rules</source>
        <translation>Cache Skip Rules</translation>
    </message>
    <message>
        <source> New Cache Skip rules </source>
        <translation> New Cache Skip rules </translation>
    </message>
    <message>
        <source>Rules :</source>
        <translation>Rules :</translation>
    </message>
    <message>
        <source>Cache Access: the proxy caches the URL&apos;s pages; Cache Denied: it never caches them</source>
        <translation>Cache Access — прокси кэширует страницы адреса; Cache Denied — никогда их не кэширует</translation>
    </message>
    <message>
        <source>Cache Denied</source>
        <translation>Cache Denied</translation>
    </message>
    <message>
        <source>Cache Access</source>
        <translation>Cache Access</translation>
    </message>
    <message>
        <source>Code Blocking</source>
        <translation>Code Blocking</translation>
    </message>
    <message>
        <source>URL :</source>
        <translation>URL :</translation>
    </message>
    <message>
        <source>URL the rule is about (no &quot;:&quot;)</source>
        <translation>Адрес, к которому относится правило (без «:»)</translation>
    </message>
    <message>
        <source>Comments :</source>
        <translation>Comments :</translation>
    </message>
    <message>
        <source>A note of your own, stored with the rule (no &quot;:&quot;)</source>
        <translation>Ваше примечание, хранится вместе с правилом (без «:»)</translation>
    </message>
    <message>
        <source>Store the rule and close the dialog</source>
        <translation>Сохранить правило и закрыть окно</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Close the dialog and change nothing</source>
        <translation>Закрыть окно, ничего не меняя</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TFGroupName</name>
    <message>
        <source>Edit Group Name</source>
        <translation>Edit Group Name</translation>
    </message>
    <message>
        <source> Edit Group Name </source>
        <translation> Edit Group Name </translation>
    </message>
    <message>
        <source>Group ID :</source>
        <translation>Group ID :</translation>
    </message>
    <message>
        <source>Group Name :</source>
        <translation>Group Name :</translation>
    </message>
    <message>
        <source>Name of the group, shown in the lists</source>
        <translation>Имя группы, показывается в списках</translation>
    </message>
    <message>
        <source>Comments :</source>
        <translation>Comments :</translation>
    </message>
    <message>
        <source>A note of your own, stored with the rule (no &quot;:&quot;)</source>
        <translation>Ваше примечание, хранится вместе с правилом (без «:»)</translation>
    </message>
    <message>
        <source>Store the rule and close the dialog</source>
        <translation>Сохранить правило и закрыть окно</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Close the dialog and change nothing</source>
        <translation>Закрыть окно, ничего не меняя</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Host name of a computer that belongs to the group</source>
        <translation>Имя хоста компьютера, входящего в группу</translation>
    </message>
    <message>
        <source>Word that no URL requested by the group may contain</source>
        <translation>Слово, которого не должно быть в адресах, запрашиваемых группой</translation>
    </message>
    <message>
        <source>The group to name: choose one to rename it, or type a new number (0 to 64)</source>
        <translation>Группа, которой дать название: выберите её, чтобы переименовать, или введите новый номер (от 0 до 64)</translation>
    </message>
</context>
<context>
    <name>TFMService</name>
    <message>
        <source>Routing</source>
        <translation>Routing</translation>
    </message>
    <message>
        <source> New Server Route  </source>
        <translation> New Server Route  </translation>
    </message>
    <message>
        <source>Local Port :</source>
        <translation>Local Port :</translation>
    </message>
    <message>
        <source>Port on this machine on which the proxy accepts the service&apos;s connections (1 to 65535)</source>
        <translation>Порт этой машины, на котором прокси принимает подключения службы (от 1 до 65535)</translation>
    </message>
    <message>
        <source>25</source>
        <translation>25</translation>
    </message>
    <message>
        <source>Remote Port :</source>
        <translation>Remote Port :</translation>
    </message>
    <message>
        <source>Port of the server the connections are passed on to (1 to 65535)</source>
        <translation>Порт сервера, которому передаются подключения (от 1 до 65535)</translation>
    </message>
    <message>
        <source>Server name :</source>
        <translation>Server name :</translation>
    </message>
    <message>
        <source>Name or address of the server the connections are passed on to</source>
        <translation>Имя или адрес сервера, которому передаются подключения</translation>
    </message>
    <message>
        <source>Service name :</source>
        <translation>Service name :</translation>
    </message>
    <message>
        <source>Name of the service, for your own reference</source>
        <translation>Название службы, для себя</translation>
    </message>
    <message>
        <source>Count Streams :</source>
        <translation>Count Streams :</translation>
    </message>
    <message>
        <source>Number of streams of the service (1 to 65535)</source>
        <translation>Число потоков службы (от 1 до 65535)</translation>
    </message>
    <message>
        <source>15</source>
        <translation>15</translation>
    </message>
    <message>
        <source>Size Query :</source>
        <translation>Size Query :</translation>
    </message>
    <message>
        <source>Size of a query of the service (1 to 65535)</source>
        <translation>Размер запроса службы (от 1 до 65535)</translation>
    </message>
    <message>
        <source>Socket Timeout, s:</source>
        <translation>Socket Timeout, s:</translation>
    </message>
    <message>
        <source>Time-out of the service&apos;s sockets, in seconds (1 to 65535)</source>
        <translation>Тайм-аут сокетов службы, в секундах (от 1 до 65535)</translation>
    </message>
    <message>
        <source>60</source>
        <translation>60</translation>
    </message>
    <message>
        <source>Time To Live DNS, ms:</source>
        <translation>Time To Live DNS, ms:</translation>
    </message>
    <message>
        <source>How long the server&apos;s DNS address is kept, in milliseconds (1 to 2147483647)</source>
        <translation>Сколько хранится DNS-адрес сервера, в миллисекундах (от 1 до 2147483647)</translation>
    </message>
    <message>
        <source>100</source>
        <translation>100</translation>
    </message>
    <message>
        <source>Time To Wait, ms:</source>
        <translation>Time To Wait, ms:</translation>
    </message>
    <message>
        <source>Time to wait, in milliseconds (1 to 65535)</source>
        <translation>Время ожидания, в миллисекундах (от 1 до 65535)</translation>
    </message>
    <message>
        <source>Comment :</source>
        <translation>Comment :</translation>
    </message>
    <message>
        <source>A note of your own, stored with the rule (no &quot;:&quot;)</source>
        <translation>Ваше примечание, хранится вместе с правилом (без «:»)</translation>
    </message>
    <message>
        <source>Store the rule and close the dialog</source>
        <translation>Сохранить правило и закрыть окно</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Close the dialog and change nothing</source>
        <translation>Закрыть окно, ничего не меняя</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TFNet</name>
    <message>
        <source>IP Addresses</source>
        <translation>IP Addresses</translation>
    </message>
    <message>
        <source> New IP Address in Group  </source>
        <translation> New IP Address in Group  </translation>
    </message>
    <message>
        <source>Group ID :</source>
        <translation>Group ID :</translation>
    </message>
    <message>
        <source>IP Address :</source>
        <translation>IP Address :</translation>
    </message>
    <message>
        <source>Network address in dotted form, such as 192.168.1.0, or 192.168.1.0/24 with the mask left empty</source>
        <translation>Адрес сети в виде 192.168.1.0, или 192.168.1.0/24 с пустой маской</translation>
    </message>
    <message>
        <source>Mask :</source>
        <translation>Mask :</translation>
    </message>
    <message>
        <source>Network mask in dotted form, such as 255.255.255.0</source>
        <translation>Маска сети в виде 255.255.255.0</translation>
    </message>
    <message>
        <source>Comments :</source>
        <translation>Comments :</translation>
    </message>
    <message>
        <source>A note of your own, stored with the rule (no &quot;:&quot;)</source>
        <translation>Ваше примечание, хранится вместе с правилом (без «:»)</translation>
    </message>
    <message>
        <source>Store the rule and close the dialog</source>
        <translation>Сохранить правило и закрыть окно</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Close the dialog and change nothing</source>
        <translation>Закрыть окно, ничего не меняя</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>The field &quot;%1&quot; holds &quot;%2&quot;, %3</source>
        <translation>Поле «%1» содержит «%2», %3</translation>
    </message>
    <message>
        <source>whose prefix length gives the mask %1, not the mask &quot;%2&quot;.</source>
        <translation>длина префикса которого даёт маску %1, а не маску «%2».</translation>
    </message>
    <message>
        <source>which is not an IPv4 address in dotted form (such as 192.168.1.0, or 192.168.1.0/24 with the mask left empty).</source>
        <translation>а это не адрес IPv4 с точками (как 192.168.1.0, или 192.168.1.0/24 с пустой маской).</translation>
    </message>
    <message>
        <source>which is not an IPv4 mask in dotted form (such as 255.255.255.0).</source>
        <translation>а это не маска IPv4 с точками (как 255.255.255.0).</translation>
    </message>
</context>
<context>
    <name>TFPortA</name>
    <message>
        <source>Port Access Rules</source>
        <translation>Port Access Rules</translation>
    </message>
    <message>
        <source> New Port Access Rules </source>
        <translation> New Port Access Rules </translation>
    </message>
    <message>
        <source>Group ID :</source>
        <translation>Group ID :</translation>
    </message>
    <message>
        <source>Port Access :</source>
        <translation>Port Access :</translation>
    </message>
    <message>
        <source>Port the group&apos;s clients may connect to (1 to 65535)</source>
        <translation>Порт, к которому клиенты группы могут подключаться (от 1 до 65535)</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>Comments :</source>
        <translation>Comments :</translation>
    </message>
    <message>
        <source>A note of your own, stored with the rule (no &quot;:&quot;)</source>
        <translation>Ваше примечание, хранится вместе с правилом (без «:»)</translation>
    </message>
    <message>
        <source>Store the rule and close the dialog</source>
        <translation>Сохранить правило и закрыть окно</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Close the dialog and change nothing</source>
        <translation>Закрыть окно, ничего не меняя</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TFPortB</name>
    <message>
        <source>Port Blocking Rules</source>
        <translation>Port Blocking Rules</translation>
    </message>
    <message>
        <source> New Port Blocking Rules </source>
        <translation> New Port Blocking Rules </translation>
    </message>
    <message>
        <source>Group ID :</source>
        <translation>Group ID :</translation>
    </message>
    <message>
        <source>Port Start :</source>
        <translation>Port Start :</translation>
    </message>
    <message>
        <source>First port of the blocked range (1 to 65535)</source>
        <translation>Первый порт запрещённого диапазона (от 1 до 65535)</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>Port End :</source>
        <translation>Port End :</translation>
    </message>
    <message>
        <source>Last port of the blocked range (1 to 65535); the same as the first blocks one port</source>
        <translation>Последний порт запрещённого диапазона (от 1 до 65535); равный первому запрещает один порт</translation>
    </message>
    <message>
        <source>Comments :</source>
        <translation>Comments :</translation>
    </message>
    <message>
        <source>A note of your own, stored with the rule (no &quot;:&quot;)</source>
        <translation>Ваше примечание, хранится вместе с правилом (без «:»)</translation>
    </message>
    <message>
        <source>Store the rule and close the dialog</source>
        <translation>Сохранить правило и закрыть окно</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Close the dialog and change nothing</source>
        <translation>Закрыть окно, ничего не меняя</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TFSpeed</name>
    <message>
        <source>Speed Rules</source>
        <translation>Speed Rules</translation>
    </message>
    <message>
        <source> New Speed Rules </source>
        <translation> New Speed Rules </translation>
    </message>
    <message>
        <source>Group ID :</source>
        <translation>Group ID :</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>Speed, B/min :</source>
        <translation>Speed, B/min :</translation>
    </message>
    <message>
        <source>Speed limit of the group, in bytes per minute (0 to 2147483647)</source>
        <translation>Ограничение скорости группы, в байтах в минуту (от 0 до 2147483647)</translation>
    </message>
    <message>
        <source>Comments :</source>
        <translation>Comments :</translation>
    </message>
    <message>
        <source>A note of your own, stored with the rule (no &quot;:&quot;)</source>
        <translation>Ваше примечание, хранится вместе с правилом (без «:»)</translation>
    </message>
    <message>
        <source>Store the rule and close the dialog</source>
        <translation>Сохранить правило и закрыть окно</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Close the dialog and change nothing</source>
        <translation>Закрыть окно, ничего не меняя</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Daily traffic limit of the group, in kilobytes per day (0 to 2147483647)</source>
        <translation>Суточное ограничение трафика группы, в килобайтах в сутки (от 0 до 2147483647)</translation>
    </message>
</context>
<context>
    <name>TFTime</name>
    <message>
        <source>Access Time</source>
        <translation>Access Time</translation>
    </message>
    <message>
        <source> New Access Time </source>
        <translation> New Access Time </translation>
    </message>
    <message>
        <source>Group ID :</source>
        <translation>Group ID :</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>Day :</source>
        <translation>Day :</translation>
    </message>
    <message>
        <source>Day of the week the hours apply to, or every day</source>
        <translation>День недели, к которому относятся часы, или каждый день</translation>
    </message>
    <message>
        <source>Begin Work :</source>
        <translation>Begin Work :</translation>
    </message>
    <message>
        <source>Hour at which the group&apos;s access begins (0 to 23)</source>
        <translation>Час, с которого у группы есть доступ (от 0 до 23)</translation>
    </message>
    <message>
        <source>End Work :</source>
        <translation>End Work :</translation>
    </message>
    <message>
        <source>Hour at which the group&apos;s access ends (1 to 24)</source>
        <translation>Час, в который доступ группы заканчивается (от 1 до 24)</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>Comments :</source>
        <translation>Comments :</translation>
    </message>
    <message>
        <source>A note of your own, stored with the rule (no &quot;:&quot;)</source>
        <translation>Ваше примечание, хранится вместе с правилом (без «:»)</translation>
    </message>
    <message>
        <source>Store the rule and close the dialog</source>
        <translation>Сохранить правило и закрыть окно</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Close the dialog and change nothing</source>
        <translation>Закрыть окно, ничего не меняя</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>The field &quot;Day&quot; must hold one of the day names: %1.</source>
        <translation>Поле «Day» должно содержать одно из названий дней: %1.</translation>
    </message>
    <message>
        <source>Mon-Fri</source>
        <translation>Mon-Fri</translation>
    </message>
    <message>
        <source>Add the rule for each working day, Monday to Friday: one line per day with the same hours</source>
        <translation>Добавить правило на каждый рабочий день, с понедельника по пятницу: по строке на день с теми же часами</translation>
    </message>
    <message>
        <source>Sat-Sun</source>
        <translation>Sat-Sun</translation>
    </message>
    <message>
        <source>Add the rule for each day of the weekend, Saturday and Sunday: one line per day with the same hours</source>
        <translation>Добавить правило на каждый выходной день, субботу и воскресенье: по строке на день с теми же часами</translation>
    </message>
    <message>
        <source>The field &quot;Day&quot; must hold one of the day names: %1; or %2 or %3 for several days.</source>
        <translation>Поле «Day» должно содержать одно из названий дней: %1; или %2 либо %3 для нескольких дней.</translation>
    </message>
</context>
<context>
    <name>TFUrl</name>
    <message>
        <source>Url Rules</source>
        <translation>Url Rules</translation>
    </message>
    <message>
        <source> New Url Rules </source>
        <translation> New Url Rules </translation>
    </message>
    <message>
        <source>Group ID :</source>
        <translation>Group ID :</translation>
    </message>
    <message>
        <source>Rules :</source>
        <translation>Rules :</translation>
    </message>
    <message>
        <source>Access: the group may open the URL; Deny: it may not</source>
        <translation>Access — группе можно открывать адрес; Deny — нельзя</translation>
    </message>
    <message>
        <source>Url Access</source>
        <translation>Url Access</translation>
    </message>
    <message>
        <source>Url Denied</source>
        <translation>Url Denied</translation>
    </message>
    <message>
        <source>Url :</source>
        <translation>Url :</translation>
    </message>
    <message>
        <source>URL the rule is about</source>
        <translation>Адрес, к которому относится правило</translation>
    </message>
    <message>
        <source>Comments :</source>
        <translation>Comments :</translation>
    </message>
    <message>
        <source>A note of your own, stored with the rule (no &quot;:&quot;)</source>
        <translation>Ваше примечание, хранится вместе с правилом (без «:»)</translation>
    </message>
    <message>
        <source>Store the rule and close the dialog</source>
        <translation>Сохранить правило и закрыть окно</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Close the dialog and change nothing</source>
        <translation>Закрыть окно, ничего не меняя</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TMainWnd</name>
    <message>
        <source>GLYM add-on</source>
        <translation>GLYM add-on</translation>
    </message>
    <message>
        <source>Reload the configuration</source>
        <translation>Перезагрузить конфигурацию</translation>
    </message>
    <message>
        <source>Save the configuration</source>
        <translation>Сохранить конфигурацию</translation>
    </message>
    <message>
        <source>Start the GLYM service</source>
        <translation>Стартовать сервис GLYM</translation>
    </message>
    <message>
        <source>Stop the GLYM service</source>
        <translation>Остановить сервис GLYM</translation>
    </message>
    <message>
        <source>Restart the GLYM service</source>
        <translation>Рестарт сервис GLYM</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Выход</translation>
    </message>
    <message>
        <source>QLabel#VerPanel {
  background: qlineargradient(x1: 0, y1: 0, x2: 1, y2: 0, stop: 0 #006666, stop: 0.55 #2a9d9d, stop: 1 #bfe6e6);
  color: white;
  font-family: &quot;Times New Roman&quot;, serif;
  font-size: 16px;
  padding-left: 8px;
}</source>
        <translation>QLabel#VerPanel {
  background: qlineargradient(x1: 0, y1: 0, x2: 1, y2: 0, stop: 0 #006666, stop: 0.55 #2a9d9d, stop: 1 #bfe6e6);
  color: white;
  font-family: &quot;Times New Roman&quot;, serif;
  font-size: 16px;
  padding-left: 8px;
}</translation>
    </message>
    <message>
        <source>GLYM configurator ver.</source>
        <translation>GLYM configurator ver.</translation>
    </message>
    <message>
        <source>General rules</source>
        <translation>General rules</translation>
    </message>
    <message>
        <source> Listen proxy port </source>
        <translation> Listen proxy port </translation>
    </message>
    <message>
        <source>Port on which the proxy listens for its clients (1 to 65535, usually 3128)</source>
        <translation>Порт, на котором прокси ждёт своих клиентов (от 1 до 65535, обычно 3128)</translation>
    </message>
    <message>
        <source> CacheType </source>
        <translation> CacheType </translation>
    </message>
    <message>
        <source>Keep the cache in memory</source>
        <translation>Хранить кэш в памяти</translation>
    </message>
    <message>
        <source>Memory Cache</source>
        <translation>Memory Cache</translation>
    </message>
    <message>
        <source>Keep the cache on disk, in the directory given on the page Cache</source>
        <translation>Хранить кэш на диске, в каталоге, указанном на странице Cache</translation>
    </message>
    <message>
        <source>File Cache</source>
        <translation>File Cache</translation>
    </message>
    <message>
        <source> Parent proxy </source>
        <translation> Parent proxy </translation>
    </message>
    <message>
        <source>IP address :</source>
        <translation>IP address :</translation>
    </message>
    <message>
        <source>Address of the parent proxy the requests are passed on to; empty: no parent proxy</source>
        <translation>Адрес вышестоящего прокси, которому передаются запросы; пусто — без вышестоящего прокси</translation>
    </message>
    <message>
        <source>Port#</source>
        <translation>Port#</translation>
    </message>
    <message>
        <source>Port of the parent proxy (1 to 65535); give it together with the address, or leave both empty</source>
        <translation>Порт вышестоящего прокси (от 1 до 65535); указывается вместе с адресом, либо оба поля пустые</translation>
    </message>
    <message>
        <source> Working Threads </source>
        <translation> Working Threads </translation>
    </message>
    <message>
        <source>Threads :</source>
        <translation>Threads :</translation>
    </message>
    <message>
        <source>Number of worker threads that serve the clients&apos; requests</source>
        <translation>Число рабочих потоков, обслуживающих запросы клиентов</translation>
    </message>
    <message>
        <source>Idle Time, ms :</source>
        <translation>Idle Time, ms :</translation>
    </message>
    <message>
        <source>Milliseconds for which a thread with no request to serve yields the processor</source>
        <translation>Сколько миллисекунд поток без запросов уступает процессор</translation>
    </message>
    <message>
        <source> Users </source>
        <translation> Users </translation>
    </message>
    <message>
        <source>Manage the clients&apos; connections with the limits below</source>
        <translation>Управлять подключениями клиентов с ограничениями ниже</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>Enabled</translation>
    </message>
    <message>
        <source>Count :</source>
        <translation>Count :</translation>
    </message>
    <message>
        <source>Most clients connected at once</source>
        <translation>Наибольшее число одновременно подключённых клиентов</translation>
    </message>
    <message>
        <source>How often the active clients are polled, in milliseconds</source>
        <translation>Как часто опрашиваются активные клиенты, в миллисекундах</translation>
    </message>
    <message>
        <source>Time To Live, ms :</source>
        <translation>Time To Live, ms :</translation>
    </message>
    <message>
        <source>How long an inactive client is kept, in milliseconds</source>
        <translation>Сколько хранится неактивный клиент, в миллисекундах</translation>
    </message>
    <message>
        <source> Using Memory </source>
        <translation> Using Memory </translation>
    </message>
    <message>
        <source>Memory management of the server</source>
        <translation>Управление памятью сервера </translation>
    </message>
    <message>
        <source>Memory Page Size, B :</source>
        <translation>Memory Page Size, B :</translation>
    </message>
    <message>
        <source>Size of one page of the proxy&apos;s memory pool, in bytes</source>
        <translation>Размер одной страницы пула памяти прокси, в байтах</translation>
    </message>
    <message>
        <source>Memory Page Count, B :</source>
        <translation>Memory Page Count, B :</translation>
    </message>
    <message>
        <source>Number of pages in the proxy&apos;s memory pool</source>
        <translation>Число страниц в пуле памяти прокси</translation>
    </message>
    <message>
        <source>Total Memory :</source>
        <translation>Total Memory :</translation>
    </message>
    <message>
        <source>Memory of the pool (page size times page count) in the unit chosen beside; shown only, not saved</source>
        <translation>Память пула (размер страницы, умноженный на число страниц) в выбранных рядом единицах; только для просмотра, не сохраняется</translation>
    </message>
    <message>
        <source>Show the total memory in bytes</source>
        <translation>Показать общую память в байтах</translation>
    </message>
    <message>
        <source>B</source>
        <translation>B</translation>
    </message>
    <message>
        <source>Show the total memory in kilobytes of 1024 bytes</source>
        <translation>Показать общую память в килобайтах по 1024 байта</translation>
    </message>
    <message>
        <source>kB</source>
        <translation>kB</translation>
    </message>
    <message>
        <source>Show the total memory in megabytes of 1024 kilobytes</source>
        <translation>Показать общую память в мегабайтах по 1024 килобайта</translation>
    </message>
    <message>
        <source>MB</source>
        <translation>MB</translation>
    </message>
    <message>
        <source>Show the total memory in gigabytes of 1024 megabytes</source>
        <translation>Показать общую память в гигабайтах по 1024 мегабайта</translation>
    </message>
    <message>
        <source>GB</source>
        <translation>GB</translation>
    </message>
    <message>
        <source> Timeout for Socket </source>
        <translation> Timeout for Socket </translation>
    </message>
    <message>
        <source>Write Remote Socket, s :</source>
        <translation>Write Remote Socket, s :</translation>
    </message>
    <message>
        <source>Seconds a write to a remote server may take before the proxy gives up</source>
        <translation>Сколько секунд может длиться запись на удалённый сервер, прежде чем прокси прервёт её</translation>
    </message>
    <message>
        <source>Read Remote Socket, s :</source>
        <translation>Read Remote Socket, s :</translation>
    </message>
    <message>
        <source>Seconds the proxy waits for data from a remote server</source>
        <translation>Сколько секунд прокси ждёт данных от удалённого сервера</translation>
    </message>
    <message>
        <source>Write Local Socket, s :</source>
        <translation>Write Local Socket, s :</translation>
    </message>
    <message>
        <source>Seconds a write to a client may take before the proxy gives up</source>
        <translation>Сколько секунд может длиться запись клиенту, прежде чем прокси прервёт её</translation>
    </message>
    <message>
        <source>Read Local Socket, s :</source>
        <translation>Read Local Socket, s :</translation>
    </message>
    <message>
        <source>Seconds the proxy waits for data from a client</source>
        <translation>Сколько секунд прокси ждёт данных от клиента</translation>
    </message>
    <message>
        <source>Cache</source>
        <translation>Cache</translation>
    </message>
    <message>
        <source> Cache in Memory </source>
        <translation> Cache in Memory </translation>
    </message>
    <message>
        <source>Cache objects in memory</source>
        <translation>Кэшировать объекты в памяти</translation>
    </message>
    <message>
        <source>Size Limit, B :</source>
        <translation>Size Limit, B :</translation>
    </message>
    <message>
        <source>Total size of the objects in the memory cache, in bytes</source>
        <translation>Общий размер объектов в кэше в памяти, в байтах</translation>
    </message>
    <message>
        <source>Count Object :</source>
        <translation>Count Object :</translation>
    </message>
    <message>
        <source>Most objects the memory cache holds</source>
        <translation>Наибольшее число объектов в кэше в памяти</translation>
    </message>
    <message>
        <source>How long an object stays in the memory cache, in milliseconds</source>
        <translation>Сколько объект хранится в кэше в памяти, в миллисекундах</translation>
    </message>
    <message>
        <source>Idle Thread Time, ms :</source>
        <translation>Idle Thread Time, ms :</translation>
    </message>
    <message>
        <source>How often the memory cache is checked for expired objects, in milliseconds</source>
        <translation>Как часто кэш в памяти проверяется на устаревшие объекты, в миллисекундах</translation>
    </message>
    <message>
        <source>Minimum Size, B :</source>
        <translation>Minimum Size, B :</translation>
    </message>
    <message>
        <source>Smallest object the memory cache keeps, in bytes</source>
        <translation>Наименьший объект, который хранит кэш в памяти, в байтах</translation>
    </message>
    <message>
        <source>Maximum Size, B :</source>
        <translation>Maximum Size, B :</translation>
    </message>
    <message>
        <source>Largest object the memory cache keeps, in bytes</source>
        <translation>Наибольший объект, который хранит кэш в памяти, в байтах</translation>
    </message>
    <message>
        <source> Cache in File System  </source>
        <translation> Cache in File System  </translation>
    </message>
    <message>
        <source>Cache objects on disk</source>
        <translation>Кэшировать объекты на диске</translation>
    </message>
    <message>
        <source>Directory :</source>
        <translation>Directory :</translation>
    </message>
    <message>
        <source>Directory that holds the disk cache</source>
        <translation>Путь для хранения кэша</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Choose the directory</source>
        <translation>Выбрать директорию</translation>
    </message>
    <message>
        <source>Total size of the objects in the disk cache, in bytes</source>
        <translation>Общий размер объектов в кэше на диске, в байтах</translation>
    </message>
    <message>
        <source>Most objects the disk cache holds</source>
        <translation>Наибольшее число объектов в кэше на диске</translation>
    </message>
    <message>
        <source>How long an object stays in the disk cache, in milliseconds</source>
        <translation>Сколько объект хранится в кэше на диске, в миллисекундах</translation>
    </message>
    <message>
        <source>How often the disk cache is checked for expired objects, in milliseconds</source>
        <translation>Как часто кэш на диске проверяется на устаревшие объекты, в миллисекундах</translation>
    </message>
    <message>
        <source>Smallest object the disk cache keeps, in bytes</source>
        <translation>Наименьший объект, который хранит кэш на диске, в байтах</translation>
    </message>
    <message>
        <source>Largest object the disk cache keeps, in bytes</source>
        <translation>Наибольший объект, который хранит кэш на диске, в байтах</translation>
    </message>
    <message>
        <source>Save Time, ms :</source>
        <translation>Save Time, ms :</translation>
    </message>
    <message>
        <source>How often the cached objects are written to disk, in milliseconds</source>
        <translation>Как часто объекты кэша записываются на диск, в миллисекундах</translation>
    </message>
    <message>
        <source>Cache Rulers</source>
        <translation>Cache Rulers</translation>
    </message>
    <message>
        <source> Cache Refresh </source>
        <translation> Cache Refresh </translation>
    </message>
    <message>
        <source>Refresh the cached objects automatically</source>
        <translation>Автоматически обновлять объекты кэша</translation>
    </message>
    <message>
        <source>Refresh the cache selectively</source>
        <translation>Выборочно обновлять кэш</translation>
    </message>
    <message>
        <source>Forced</source>
        <translation>Forced</translation>
    </message>
    <message>
        <source>Minimum Time, sec :</source>
        <translation>Minimum Time, sec :</translation>
    </message>
    <message>
        <source>Shortest refresh time of an object, in seconds</source>
        <translation>Наименьшее время обновления объекта, в секундах</translation>
    </message>
    <message>
        <source>Maximum Time, sec :</source>
        <translation>Maximum Time, sec :</translation>
    </message>
    <message>
        <source>Longest refresh time of an object, in seconds</source>
        <translation>Наибольшее время обновления объекта, в секундах</translation>
    </message>
    <message>
        <source>Default Time, sec :</source>
        <translation>Default Time, sec :</translation>
    </message>
    <message>
        <source>Usual refresh time of an object, in seconds</source>
        <translation>Обычное время обновления объекта, в секундах</translation>
    </message>
    <message>
        <source>Step Update :</source>
        <translation>Step Update :</translation>
    </message>
    <message>
        <source>Fraction by which the refresh time of an object changes</source>
        <translation>Доля, на которую меняется время обновления объекта</translation>
    </message>
    <message>
        <source>Update From, hour :</source>
        <translation>Update From, hour :</translation>
    </message>
    <message>
        <source>Hour of the day at which refreshing starts (0 to 24)</source>
        <translation>Час, с которого начинается обновление (от 0 до 24)</translation>
    </message>
    <message>
        <source>Update To, hour :</source>
        <translation>Update To, hour :</translation>
    </message>
    <message>
        <source>Hour of the day at which refreshing ends (0 to 24)</source>
        <translation>Час, в который обновление заканчивается (от 0 до 24)</translation>
    </message>
    <message>
        <source> Cache Skip </source>
        <translation> Cache Skip </translation>
    </message>
    <message>
        <source>Apply the cache-skip rules below (selective caching)</source>
        <translation>Применять правила ниже (избирательное кэширование)</translation>
    </message>
    <message>
        <source>File Name :</source>
        <translation>File Name :</translation>
    </message>
    <message>
        <source>File of the cache-skip rules; a relative name counts from the configuration&apos;s directory</source>
        <translation>Файл правил избирательного кэширования; относительное имя считается от каталога конфигурации</translation>
    </message>
    <message>
        <source>Choose the file of the cache-skip rules</source>
        <translation>Выбор файла с правилами  избирательного кэширования</translation>
    </message>
    <message>
        <source>URLs whose pages the proxy caches (Access) or never caches (Denied)</source>
        <translation>Адреса, страницы которых прокси кэширует (Access) или не кэширует никогда (Denied)</translation>
    </message>
    <message>
        <source>Permissions</source>
        <translation>Permissions</translation>
    </message>
    <message>
        <source>Check the clients&apos; access by the rules of the pages below</source>
        <translation>Проверять доступ клиентов по правилам страниц ниже</translation>
    </message>
    <message>
        <source>File of the access rules: groups, networks, computers, URLs, limits, ports, hours, logins</source>
        <translation>Файл правил доступа: группы, сети, компьютеры, адреса, ограничения, порты, часы, логины</translation>
    </message>
    <message>
        <source>Choose the file of the access rules</source>
        <translation>Выбрать файл правил доступа</translation>
    </message>
    <message>
        <source>Group</source>
        <translation>Group</translation>
    </message>
    <message>
        <source> User Groups </source>
        <translation> User Groups </translation>
    </message>
    <message>
        <source>User groups 0 to 64, with name and comment; every rule belongs to a group</source>
        <translation>Группы пользователей от 0 до 64, с именем и комментарием; каждое правило относится к группе</translation>
    </message>
    <message>
        <source>Let in clients whose address has no host name</source>
        <translation>Пускать клиентов, у адреса которых нет имени хоста</translation>
    </message>
    <message>
        <source>Access noname hosts</source>
        <translation>Access noname hosts</translation>
    </message>
    <message>
        <source> Networks In Group </source>
        <translation> Networks In Group </translation>
    </message>
    <message>
        <source>Networks whose clients belong to a group: address and mask</source>
        <translation>Сети, клиенты которых входят в группу: адрес и маска</translation>
    </message>
    <message>
        <source> Computers In Group </source>
        <translation> Computers In Group </translation>
    </message>
    <message>
        <source>Computers, by host name, that belong to a group</source>
        <translation>Компьютеры (по имени хоста), входящие в группу</translation>
    </message>
    <message>
        <source>Time Update DNS, ms :</source>
        <translation>Time Update DNS, ms :</translation>
    </message>
    <message>
        <source>How often the clients&apos; address information is updated, in milliseconds</source>
        <translation>Как часто обновляются сведения об адресах клиентов, в миллисекундах</translation>
    </message>
    <message>
        <source>Cache Blocking</source>
        <translation>Cache Blocking</translation>
    </message>
    <message>
        <source> URL Block </source>
        <translation> URL Block </translation>
    </message>
    <message>
        <source>Access rules for web pages: URLs a group may open (Access) or may not (Deny)</source>
        <translation>Правила доступа  к страницам Интернет</translation>
    </message>
    <message>
        <source> Word Block </source>
        <translation> Word Block </translation>
    </message>
    <message>
        <source>Words that no URL requested by the group may contain</source>
        <translation>Список запрещенных слов  в URL</translation>
    </message>
    <message>
        <source>Traffic and speed limits</source>
        <translation>Настройки ограничений по трафику и скорости</translation>
    </message>
    <message>
        <source>Traffic</source>
        <translation>Traffic</translation>
    </message>
    <message>
        <source> Traffic Limit </source>
        <translation> Traffic Limit </translation>
    </message>
    <message>
        <source>Daily traffic limit of the clients</source>
        <translation>Ограничение суточного трафика клиентов </translation>
    </message>
    <message>
        <source>Daily traffic limit of each group, in kilobytes per day</source>
        <translation>Ограничение по суточному трафику клиентов </translation>
    </message>
    <message>
        <source> Speed Balancer </source>
        <translation> Speed Balancer </translation>
    </message>
    <message>
        <source>Speed limiting</source>
        <translation>Управление ограничением скорости</translation>
    </message>
    <message>
        <source>Limit the groups&apos; speed as the list below says</source>
        <translation>Ограничивать скорость групп по списку ниже</translation>
    </message>
    <message>
        <source>Count the data served from the cache against the speed limit too</source>
        <translation>Учитывать в ограничении скорости и данные из кэша</translation>
    </message>
    <message>
        <source>Include Cache</source>
        <translation>Include Cache</translation>
    </message>
    <message>
        <source>Interval Time, min/ :</source>
        <translation>Interval Time, min/ :</translation>
    </message>
    <message>
        <source>Interval of the speed monitoring, in minutes</source>
        <translation>Интервал контроля скорости, в минутах</translation>
    </message>
    <message>
        <source>Speed of access to web pages of each group, in bytes per minute</source>
        <translation>Скорость доступа  к страницам Интернет</translation>
    </message>
    <message>
        <source>Ports</source>
        <translation>Ports</translation>
    </message>
    <message>
        <source> Ports Blocking </source>
        <translation> Ports Blocking </translation>
    </message>
    <message>
        <source>Ports and port ranges the group&apos;s clients may not connect to</source>
        <translation>Список запрещенных портов</translation>
    </message>
    <message>
        <source> Ports Access </source>
        <translation> Ports Access </translation>
    </message>
    <message>
        <source>Ports the group&apos;s clients may connect to</source>
        <translation>Список разрешенных портов</translation>
    </message>
    <message>
        <source>Access</source>
        <translation>Access</translation>
    </message>
    <message>
        <source> Time Access </source>
        <translation> Time Access </translation>
    </message>
    <message>
        <source>Users&apos; working hours</source>
        <translation>Время работы пользователей</translation>
    </message>
    <message>
        <source>Schedule: the hours of each day in which a group&apos;s clients have access</source>
        <translation>Расписание работы пользователей</translation>
    </message>
    <message>
        <source> Authorization </source>
        <translation> Authorization </translation>
    </message>
    <message>
        <source>Authorization: login and password of a group, for input (clients to the proxy) and output (the proxy onwards)</source>
        <translation>Авторизация</translation>
    </message>
    <message>
        <source>Logs</source>
        <translation>Logs</translation>
    </message>
    <message>
        <source> Main Log  </source>
        <translation> Main Log  </translation>
    </message>
    <message>
        <source>Keep the main log</source>
        <translation>Вести основной журнал</translation>
    </message>
    <message>
        <source>File of the main log</source>
        <translation>Файл основного журнала</translation>
    </message>
    <message>
        <source>Choose the file</source>
        <translation>Указать файл</translation>
    </message>
    <message>
        <source> Status Log </source>
        <translation> Status Log </translation>
    </message>
    <message>
        <source>Keep the status log</source>
        <translation>Вести журнал состояния</translation>
    </message>
    <message>
        <source>File of the status log</source>
        <translation>Файл журнала состояния</translation>
    </message>
    <message>
        <source> Connect Log </source>
        <translation> Connect Log </translation>
    </message>
    <message>
        <source>Keep the connection log, which the page Statistic reads</source>
        <translation>Вести журнал подключений, который читает страница Statistic</translation>
    </message>
    <message>
        <source>File of the connection log; the page Statistic reads it</source>
        <translation>Файл журнала подключений; его читает страница Statistic</translation>
    </message>
    <message>
        <source> Mapping Port Log </source>
        <translation> Mapping Port Log </translation>
    </message>
    <message>
        <source>File of the port-mapping log</source>
        <translation>Файл журнала роутинга портов</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Advanced</translation>
    </message>
    <message>
        <source> Mapping Port </source>
        <translation> Mapping Port </translation>
    </message>
    <message>
        <source>Port mapping management</source>
        <translation>Управление роутингом портов </translation>
    </message>
    <message>
        <source>Enable port mapping</source>
        <translation>Включить роутинг портов</translation>
    </message>
    <message>
        <source>File of the port-mapping rules</source>
        <translation>Файл с правилами роутинга портов</translation>
    </message>
    <message>
        <source>Choose the file of the port-mapping rules</source>
        <translation>Выбрать файл с правилами роутинга портов</translation>
    </message>
    <message>
        <source>Mapping rules of the standard ports</source>
        <translation>Правила роутинга стандартных портов</translation>
    </message>
    <message>
        <source>Standart Service</source>
        <translation>Standart Service</translation>
    </message>
    <message>
        <source> Mail Transport </source>
        <translation> Mail Transport </translation>
    </message>
    <message>
        <source>Mail relaying</source>
        <translation>Настройки роутинга  почты</translation>
    </message>
    <message>
        <source>Incoming mail SMTP (25) :</source>
        <translation>Incoming mail SMTP (25) :</translation>
    </message>
    <message>
        <source>Address of the incoming mail server (SMTP, port 25)</source>
        <translation>Aдрес почтового сервера  входящих</translation>
    </message>
    <message>
        <source>Outgoing mail POP3 (110) :</source>
        <translation>Outgoing mail POP3 (110) :</translation>
    </message>
    <message>
        <source>Address of the outgoing mail server (POP3, port 110)</source>
        <translation>Aдрес почтового сервера  исходящих</translation>
    </message>
    <message>
        <source> News Transport </source>
        <translation> News Transport </translation>
    </message>
    <message>
        <source>News relaying</source>
        <translation>Настройки роутинга  новостей</translation>
    </message>
    <message>
        <source>Server name NNTP (119) :</source>
        <translation>Server name NNTP (119) :</translation>
    </message>
    <message>
        <source>Address of the news server (NNTP, port 119)</source>
        <translation>Aдрес сервера  новостей</translation>
    </message>
    <message>
        <source>Manual Service</source>
        <translation>Manual Service</translation>
    </message>
    <message>
        <source>Port mapping rules: a local port passed on to a port of another server</source>
        <translation>Правила роутинга портов</translation>
    </message>
    <message>
        <source> Caching DNS </source>
        <translation> Caching DNS </translation>
    </message>
    <message>
        <source>Cache the answers of the DNS</source>
        <translation>Кэшировать ответы DNS</translation>
    </message>
    <message>
        <source>How often the DNS cache is checked for expired entries, in milliseconds</source>
        <translation>Как часто кэш DNS проверяется на устаревшие записи, в миллисекундах</translation>
    </message>
    <message>
        <source>How long an entry stays in the DNS cache, in milliseconds</source>
        <translation>Сколько запись хранится в кэше DNS, в миллисекундах</translation>
    </message>
    <message>
        <source>Most entries the DNS cache holds</source>
        <translation>Наибольшее число записей в кэше DNS</translation>
    </message>
    <message>
        <source>File that stores the DNS cache</source>
        <translation>Файл, в котором хранится кэш DNS</translation>
    </message>
    <message>
        <source>Choose the file of the DNS cache</source>
        <translation>Выбрать файл кэша DNS</translation>
    </message>
    <message>
        <source>How often the DNS cache is written to its file, in milliseconds</source>
        <translation>Как часто кэш DNS записывается в файл, в миллисекундах</translation>
    </message>
    <message>
        <source>Update DNS</source>
        <translation>Update DNS</translation>
    </message>
    <message>
        <source>Update the cached DNS addresses automatically</source>
        <translation>Автоматически обновлять адреса в кэше DNS</translation>
    </message>
    <message>
        <source>Update Time, ms :</source>
        <translation>Update Time, ms :</translation>
    </message>
    <message>
        <source>How often the DNS entries are updated, in milliseconds</source>
        <translation>Как часто обновляются записи DNS, в миллисекундах</translation>
    </message>
    <message>
        <source>From, hour :</source>
        <translation>From, hour :</translation>
    </message>
    <message>
        <source>Hour of the day at which updating starts (0 to 24)</source>
        <translation>Час, с которого начинается обновление (от 0 до 24)</translation>
    </message>
    <message>
        <source>To, hour :</source>
        <translation>To, hour :</translation>
    </message>
    <message>
        <source>Hour of the day at which updating ends (0 to 24)</source>
        <translation>Час, в который обновление заканчивается (от 0 до 24)</translation>
    </message>
    <message>
        <source>Statistic</source>
        <translation>Statistic</translation>
    </message>
    <message>
        <source>Load the statistics from the connection log</source>
        <translation>Загрузить статистику</translation>
    </message>
    <message>
        <source>Stop reading the statistics (Esc)</source>
        <translation>Прервать чтение статистики (Esc)</translation>
    </message>
    <message>
        <source>Save the statistics to a CSV or tab-separated file</source>
        <translation>Сохранить статистику</translation>
    </message>
    <message>
        <source>Show the chart of the top clients</source>
        <translation>Показать диаграмму самых активных клиентов</translation>
    </message>
    <message>
        <source> IP Using Proxy </source>
        <translation> IP Using Proxy </translation>
    </message>
    <message>
        <source>Usage statistics of the clients, per address, from the connection log</source>
        <translation>Статистика работы пользователей</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>S&amp;ervice</source>
        <translation>S&amp;ervice</translation>
    </message>
    <message>
        <source>Control the GLYM service</source>
        <translation>Упраление сервисом GLYM</translation>
    </message>
    <message>
        <source>&amp;Config</source>
        <translation>&amp;Config</translation>
    </message>
    <message>
        <source>Settings of the configurator</source>
        <translation>Настройки конфигуратора</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;Reload</source>
        <translation>&amp;Reload</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>Quit the configurator</source>
        <translation>Завершить работу программы</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Start</translation>
    </message>
    <message>
        <source>S&amp;top</source>
        <translation>S&amp;top</translation>
    </message>
    <message>
        <source>&amp;Restart</source>
        <translation>&amp;Restart</translation>
    </message>
    <message>
        <source>Show &amp;Hint</source>
        <translation>Show &amp;Hint</translation>
    </message>
    <message>
        <source>Show the hints of the controls as pop-ups</source>
        <translation>Включить хинты</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>&amp;Find</source>
        <translation>&amp;Find</translation>
    </message>
    <message>
        <source>&amp;User Manual</source>
        <translation>&amp;User Manual</translation>
    </message>
    <message>
        <source>Open the user manual at the part about the page shown</source>
        <translation>Открыть руководство пользователя на разделе о показанной странице</translation>
    </message>
    <message>
        <source>F1</source>
        <translation>F1</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>The configurator&apos;s version, licence and Qt version</source>
        <translation>Версия конфигуратора, лицензия и версия Qt</translation>
    </message>
    <message>
        <source>Save changes to config before reloading?</source>
        <translation>Сохранить изменения конфигурации перед перезагрузкой?</translation>
    </message>
    <message>
        <source>the connection log</source>
        <translation>журнал подключений</translation>
    </message>
    <message>
        <source>the server settings</source>
        <translation>настройки сервера</translation>
    </message>
    <message>
        <source>the preferences file</source>
        <translation>файл настроек конфигуратора</translation>
    </message>
    <message>
        <source>the access rules file</source>
        <translation>файл правил доступа</translation>
    </message>
    <message>
        <source>the cache-skip rules file</source>
        <translation>файл правил избирательного кэширования</translation>
    </message>
    <message>
        <source>the port-mapping rules file</source>
        <translation>файл правил роутинга портов</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>Ask for a &amp;Comment at Save</source>
        <translation>Ask for a &amp;Comment at Save</translation>
    </message>
    <message>
        <source>Ask for a one-line comment at every save, kept with the save in the history</source>
        <translation>Спрашивать однострочный комментарий при каждом сохранении; он хранится с сохранением в истории</translation>
    </message>
    <message>
        <source>&amp;History...</source>
        <translation>&amp;History...</translation>
    </message>
    <message>
        <source>The saves of the configuration: what each changed, and restoring one</source>
        <translation>Сохранения конфигурации: что изменило каждое, и восстановление любого из них</translation>
    </message>
    <message>
        <source>&amp;Changes</source>
        <translation>&amp;Changes</translation>
    </message>
    <message>
        <source>The lines a save would change in each file, against what is on disk now</source>
        <translation>Строки, которые сохранение изменит в каждом файле, в сравнении с тем, что на диске сейчас</translation>
    </message>
    <message>
        <source>Ctrl+D</source>
        <translation>Ctrl+D</translation>
    </message>
    <message>
        <source>Show changes</source>
        <translation>Show changes</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Comment</translation>
    </message>
    <message>
        <source>A comment for the history of saves (one line, may be empty):</source>
        <translation>Комментарий для истории сохранений (одна строка, может быть пустой):</translation>
    </message>
    <message>
        <source>This configuration keeps no history: the user&apos;s state directory is not known.</source>
        <translation>У этой конфигурации нет истории: каталог состояния пользователя неизвестен.</translation>
    </message>
    <message>
        <source>Save changes to config before restoring?</source>
        <translation>Сохранить изменения конфигурации перед восстановлением?</translation>
    </message>
    <message>
        <source>These files were changed on disk by someone else since the configurator read them:</source>
        <translation>Эти файлы на диске изменил кто-то другой после того, как конфигуратор их прочитал:</translation>
    </message>
    <message>
        <source>The history records them as they are before the restore replaces them, so they can be restored too.

Restore: restore generation %1.
Cancel: restore nothing.</source>
        <translation>История запишет их в нынешнем виде до того, как восстановление их заменит, так что их тоже можно будет восстановить.

Restore: восстановить поколение %1.
Cancel: ничего не восстанавливать.</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>%1 was changed by someone else during the restore: nothing was restored.</source>
        <translation>%1 изменил кто-то другой во время восстановления: ничего не восстановлено.</translation>
    </message>
    <message>
        <source>Restored generation %1 as generation %2.</source>
        <translation>Поколение %1 восстановлено как поколение %2.</translation>
    </message>
    <message>
        <source>Recent &amp;Directories</source>
        <translation>Recent &amp;Directories</translation>
    </message>
    <message>
        <source>Opens one of the configuration directories opened last</source>
        <translation>Открывает один из последних открытых каталогов конфигурации</translation>
    </message>
    <message>
        <source>&amp;Theme</source>
        <translation>&amp;Theme</translation>
    </message>
    <message>
        <source>The colours of the window: the desktop&apos;s, light or dark</source>
        <translation>Цвета окна: как на рабочем столе, светлые или тёмные</translation>
    </message>
    <message>
        <source>&amp;Open Configuration Directory...</source>
        <translation>&amp;Open Configuration Directory...</translation>
    </message>
    <message>
        <source>Opens the glym30.ini and the rule files of another directory</source>
        <translation>Открывает glym30.ini и файлы правил из другого каталога</translation>
    </message>
    <message>
        <source>&amp;System</source>
        <translation>&amp;System</translation>
    </message>
    <message>
        <source>The style and colours of the desktop</source>
        <translation>Стиль и цвета рабочего стола</translation>
    </message>
    <message>
        <source>&amp;Light</source>
        <translation>&amp;Light</translation>
    </message>
    <message>
        <source>Dark text on a light background</source>
        <translation>Тёмный текст на светлом фоне</translation>
    </message>
    <message>
        <source>&amp;Dark</source>
        <translation>&amp;Dark</translation>
    </message>
    <message>
        <source>Light text on a dark background</source>
        <translation>Светлый текст на тёмном фоне</translation>
    </message>
    <message>
        <source>Open Configuration Directory</source>
        <translation>Open Configuration Directory</translation>
    </message>
    <message>
        <source>The directory &quot;%1&quot; does not exist.</source>
        <translation>Каталог «%1» не существует.</translation>
    </message>
    <message>
        <source>Save changes to config before opening another directory?</source>
        <translation>Сохранить изменения конфигурации перед открытием другого каталога?</translation>
    </message>
    <message>
        <source>Saves &amp;Kept in the History...</source>
        <translation>Saves &amp;Kept in the History...</translation>
    </message>
    <message>
        <source>How many saves the history keeps; the oldest go first</source>
        <translation>Сколько сохранений хранит история; первыми удаляются самые старые</translation>
    </message>
    <message>
        <source>Keep the History &amp;Beside the Files</source>
        <translation>Keep the History &amp;Beside the Files</translation>
    </message>
    <message>
        <source>Record the saves in a .glymconf-history folder beside glym30.ini instead of in your state directory; a directory with that folder keeps its history there for everyone</source>
        <translation>Записывать сохранения в папку .glymconf-history рядом с glym30.ini, а не в каталог состояния пользователя; каталог с такой папкой хранит историю в ней для всех</translation>
    </message>
    <message>
        <source>History</source>
        <translation>History</translation>
    </message>
    <message>
        <source>How many saves the history keeps (the oldest go at the next save):</source>
        <translation>Сколько сохранений хранит история (самые старые удаляются при следующем сохранении):</translation>
    </message>
    <message>
        <source>Save the configuration, then reload the GLYM service so that the proxy reads it (Ctrl+Shift+S)</source>
        <translation>Сохранить конфигурацию, затем перезагрузить сервис GLYM, чтобы прокси её прочитал (Ctrl+Shift+S)</translation>
    </message>
    <message>
        <source>&amp;Statistics</source>
        <translation>&amp;Statistics</translation>
    </message>
    <message>
        <source>Which logs the page Statistic reads, and how often it follows one</source>
        <translation>Какие журналы читает страница Statistic и как часто она отслеживает журнал</translation>
    </message>
    <message>
        <source>Re&amp;load</source>
        <translation>Re&amp;load</translation>
    </message>
    <message>
        <source>Reload the GLYM service: the proxy reads its files again (a service that cannot reload is restarted)</source>
        <translation>Перезагрузить сервис GLYM: прокси заново читает свои файлы (сервис, который не умеет перезагружаться, перезапускается)</translation>
    </message>
    <message>
        <source>Save and &amp;Apply</source>
        <translation>Save and &amp;Apply</translation>
    </message>
    <message>
        <source>Save the configuration, then reload the GLYM service so that the proxy reads it</source>
        <translation>Сохранить конфигурацию, затем перезагрузить сервис GLYM, чтобы прокси её прочитал</translation>
    </message>
    <message>
        <source>Ctrl+Shift+S</source>
        <translation>Ctrl+Shift+S</translation>
    </message>
    <message>
        <source>Service &amp;Unit...</source>
        <translation>Service &amp;Unit...</translation>
    </message>
    <message>
        <source>The systemd unit the GLYM proxy runs as, which the Service menu drives (glym.service unless set)</source>
        <translation>Юнит systemd, под которым работает прокси GLYM и которым управляет меню Service (glym.service, если не задан другой)</translation>
    </message>
    <message>
        <source>&amp;Open Log...</source>
        <translation>&amp;Open Log...</translation>
    </message>
    <message>
        <source>Read any connection log, or several (its rotations, .gz and .zst too), without changing the settings</source>
        <translation>Прочитать любой журнал подключений или несколько (в том числе его ротации, .gz и .zst), не меняя настроек</translation>
    </message>
    <message>
        <source>Ctrl+L</source>
        <translation>Ctrl+L</translation>
    </message>
    <message>
        <source>Read the &amp;Connect Log</source>
        <translation>Read the &amp;Connect Log</translation>
    </message>
    <message>
        <source>Read the connection log the settings name (Logs &gt; Connect Log) again, in place of the logs opened</source>
        <translation>Снова прочитать журнал подключений, указанный в настройках (Logs &gt; Connect Log), вместо открытых журналов</translation>
    </message>
    <message>
        <source>&amp;Follow Interval...</source>
        <translation>&amp;Follow Interval...</translation>
    </message>
    <message>
        <source>How many seconds pass between two readings of a followed log</source>
        <translation>Сколько секунд проходит между двумя чтениями отслеживаемого журнала</translation>
    </message>
    <message>
        <source>Nothing to save.</source>
        <translation>Сохранять нечего.</translation>
    </message>
</context>
<context>
    <name>TRuleDialog</name>
    <message>
        <source>cannot hold &quot;:&quot;: it separates the fields of a rule line.</source>
        <translation>не может содержать «:»: это разделитель полей строки правила.</translation>
    </message>
    <message>
        <source>cannot hold a line break.</source>
        <translation>не может содержать перевод строки.</translation>
    </message>
    <message>
        <source>holds &quot;%1&quot;, a character the rule files cannot store (Windows-1251).</source>
        <translation>содержит «%1» — символ, который файлы правил не могут хранить (Windows-1251).</translation>
    </message>
    <message>
        <source>The field &quot;%1&quot; %2</source>
        <translation>Поле «%1» %2</translation>
    </message>
    <message>
        <source>An edit keeps the group: to use another one, add the rule there and delete it here</source>
        <translation>Правка сохраняет группу: чтобы перенести правило в другую, добавьте его там и удалите здесь</translation>
    </message>
    <message>
        <source>must be at least %1.</source>
        <translation>должно быть не меньше %1.</translation>
    </message>
    <message>
        <source>must be at most %1.</source>
        <translation>должно быть не больше %1.</translation>
    </message>
</context>
<context>
    <name>UnitControl</name>
    <message>
        <source>systemd did not finish the job on %1 within %2 minutes; it may still be running.</source>
        <translation>systemd не завершил задание для %1 за %2 минут; возможно, оно ещё выполняется.</translation>
    </message>
    <message>
        <source>The system bus did not answer within %1 seconds.</source>
        <translation>Системная шина не ответила за %1 секунд.</translation>
    </message>
    <message>
        <source>There is no system bus: %1</source>
        <translation>Системной шины нет: %1</translation>
    </message>
    <message>
        <source>systemd does not answer on the system bus: %1</source>
        <translation>systemd не отвечает на системной шине: %1</translation>
    </message>
    <message>
        <source>The unit %1 does not exist.</source>
        <translation>Юнит %1 не существует.</translation>
    </message>
    <message>
        <source>The unit %1 cannot be looked up: %2</source>
        <translation>Не удаётся найти юнит %1: %2</translation>
    </message>
    <message>
        <source>The state of %1 cannot be read: %2</source>
        <translation>Не удаётся прочитать состояние %1: %2</translation>
    </message>
    <message>
        <source>%1: looking for the unit...</source>
        <translation>%1: поиск юнита...</translation>
    </message>
    <message>
        <source> since %1</source>
        <translation> с %1</translation>
    </message>
    <message>
        <source>, result: %1</source>
        <translation>, результат: %1</translation>
    </message>
    <message>
        <source>%1 is still being looked up on the system bus.</source>
        <translation>Поиск %1 на системной шине ещё не завершён.</translation>
    </message>
    <message>
        <source>Another command on %1 is still running.</source>
        <translation>Другая команда для %1 ещё выполняется.</translation>
    </message>
    <message>
        <source>Not allowed to %1 %2: %3</source>
        <translation>Нет разрешения выполнить %1 для %2: %3</translation>
    </message>
    <message>
        <source>systemd did not answer the %1 of %2: %3</source>
        <translation>systemd не ответил на команду %1 для %2: %3</translation>
    </message>
    <message>
        <source>systemd refused to %1 %2: %3</source>
        <translation>systemd отказался выполнить %1 для %2: %3</translation>
    </message>
    <message>
        <source>The %1 of %2 failed: the job ended with &quot;%3&quot;.</source>
        <translation>Команда %1 для %2 не выполнена: задание завершилось с результатом «%3».</translation>
    </message>
    <message>
        <source>%1 started at %2.</source>
        <translation>%1 запущен в %2.</translation>
    </message>
    <message>
        <source>%1 stopped at %2.</source>
        <translation>%1 остановлен в %2.</translation>
    </message>
    <message>
        <source>%1 restarted at %2.</source>
        <translation>%1 перезапущен в %2.</translation>
    </message>
    <message>
        <source>%1 reloaded at %2.</source>
        <translation>%1 перезагружен в %2.</translation>
    </message>
    <message>
        <source>%1 was not running: started at %2.</source>
        <translation>%1 не работал: запущен в %2.</translation>
    </message>
</context>
<context>
    <name>WindowShell</name>
    <message>
        <source>Undo</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Find</translation>
    </message>
</context>
<context>
    <name>help</name>
    <message>
        <source>No licence is stated in the program&apos;s sources; ask the GLYM configurator developers about the terms of its use.</source>
        <translation>В исходных текстах программы лицензия не указана; об условиях использования спросите разработчиков конфигуратора GLYM.</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;GLYM configurator&lt;/b&gt; %1&lt;/p&gt;&lt;p&gt;Views and edits the files of the GLYM caching HTTP proxy server.&lt;/p&gt;&lt;p&gt;Copyright: the GLYM configurator developers.&lt;br&gt;Licence: %2&lt;/p&gt;&lt;p&gt;Qt %3 (built with Qt %4)&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;GLYM configurator&lt;/b&gt; %1&lt;/p&gt;&lt;p&gt;Просмотр и правка файлов кэширующего HTTP-прокси GLYM.&lt;/p&gt;&lt;p&gt;Авторские права: разработчики конфигуратора GLYM.&lt;br&gt;Лицензия: %2&lt;/p&gt;&lt;p&gt;Qt %3 (собрано с Qt %4)&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>savequestions</name>
    <message>
        <source>%1 %2, so the window shows the default settings, not its own.

Overwrite: replace it with the settings the window shows (its present content is kept as %1.bak).
Cancel: save nothing.</source>
        <translation>%1: %2, поэтому окно показывает настройки по умолчанию, а не его собственные.

Overwrite: заменить его настройками из окна (нынешнее содержимое сохранится как %1.bak).
Cancel: ничего не сохранять.</translation>
    </message>
    <message>
        <source>These rule files could not be read when the configuration was loaded, so the window does not hold their rules:</source>
        <translation>Эти файлы правил не удалось прочитать при загрузке конфигурации, поэтому их правил в окне нет:</translation>
    </message>
    <message>
        <source>Saving would replace their content with what the window shows (the present content would be kept only as the .bak file).

Overwrite: write them anyway.
Cancel: save nothing.</source>
        <translation>Сохранение заменит их содержимое тем, что показывает окно (нынешнее содержимое останется только в файле .bak).

Overwrite: всё равно записать их.
Cancel: ничего не сохранять.</translation>
    </message>
    <message>
        <source>These files were changed on disk by someone else since the configurator read them:</source>
        <translation>Эти файлы на диске изменил кто-то другой после того, как конфигуратор их прочитал:</translation>
    </message>
    <message>
        <source>Overwrite: save the configuration of the window over them.
Reload: read the files again; the changes made in the window are lost.
Cancel: save nothing.</source>
        <translation>Overwrite: сохранить поверх них конфигурацию из окна.
Reload: прочитать файлы заново; изменения, сделанные в окне, пропадут.
Cancel: ничего не сохранять.</translation>
    </message>
    <message>
        <source>no such key</source>
        <translation>такого ключа нет</translation>
    </message>
    <message>
        <source>[%1] %2: here &quot;%3&quot;, on disk %4</source>
        <translation>[%1] %2: здесь «%3», на диске %4</translation>
    </message>
    <message>
        <source>These settings of %1 were changed both in the window and on disk by someone else since the configurator read it:</source>
        <translation>Эти настройки %1 изменены и в окне, и на диске кем-то другим после того, как конфигуратор его прочитал:</translation>
    </message>
    <message>
        <source>Use mine: save the values of the window.
Keep theirs: keep the values on disk (the window&apos;s other changes are saved).
Cancel: save nothing.</source>
        <translation>Use mine: сохранить значения из окна.
Keep theirs: оставить значения на диске (остальные изменения окна сохраняются).
Cancel: ничего не сохранять.</translation>
    </message>
    <message>
        <source>A save that was cut short left these files, whose content is held elsewhere or was never saved:

    %1

Remove them?</source>
        <translation>Прерванное сохранение оставило эти файлы; их содержимое есть в другом месте или так и не было сохранено:

    %1

Удалить их?</translation>
    </message>
    <message>
        <source>Show changes</source>
        <translation>Show changes</translation>
    </message>
</context>
</TS>
