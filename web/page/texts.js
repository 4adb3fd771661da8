// The page's own texts, in the test's language (the archive's, core.js; the
// page's setting `language` can fix it). The program's own screens and
// messages come from the archive and the program, as in the other builds.

export const texts = {
  en: {
    loading: 'Loading the test...',
    question: 'Run in fullscreen mode?',
    yes: 'Yes', no: 'No', resume: 'Resume', fresh: 'New session', anyway: 'Go on anyway',
    offer: (who, started, answered, items) =>
      `A session of this test was interrupted${who ? ` (participant ${who})` : ''}, started ${started}: ` +
      `${answered} of ${items} items answered. Resume it?`,
    thanks: 'The test has ended. Thank you.',
    saving: 'Saving your answers...',
    saved: 'The test has ended and your answers are saved. Thank you.',
    savingLost: 'Saving your answers: the lab\'s server cannot be reached just now. Please keep this page open; it keeps trying.',
    elsewhere: 'This test is already open in another tab or window of this browser. Go on there, or close it: this page then goes on by itself.',
    noServer: 'The lab\'s server cannot be reached, so your answers could not be saved. The test has not started. ' +
      'Check the connection to the internet, then reload this page.',
    badSettings: (url) => `This page is set up wrongly: "${url}" is not a web address to send the answers to. Please tell the lab.`,
    badParticipant: (id) => `The participant ID in this page's address ("${id}") is not valid: it must be 1 to 32 ` +
      'letters, digits or signs of the Latin alphabet. Please ask the lab for the right link.',
    noKeyboard: 'This test needs a keyboard: the answers are typed with the number keys and Enter. ' +
      'Please open this page on a computer.',
    tooSmall: (w, h) => `This screen (${w}x${h} pixels) is too small for the test's 640x480 picture. ` +
      'Please open this page on a computer with a larger screen.',
    notArchive: (name) => `"${name}" is not a test archive. Choose a test archive (.WDL) instead.`,
    test: (label) => `Test: ${label}`,
    fromFolder: (n) => `MERIDOKA.WDL from this page's folder, ${n} bytes`,
    file: (name, n) => `${name}, ${n} bytes`,
    another: 'Another test archive:', drop: 'or drop one on this page.',
    kept: 'Files kept in this browser',
    notLoaded: (why) => `The program could not be loaded (${why}). Open this page through a web server.`,
    offline: 'Not connected to the lab\'s server: the answers are kept and sent later.',
  },
  ru: {
    loading: 'Загрузка теста...',
    question: 'Запустить в полноэкранном режиме?',
    yes: 'Да', no: 'Нет', resume: 'Продолжить', fresh: 'Начать заново', anyway: 'Всё равно продолжить',
    offer: (who, started, answered, items) =>
      `Сеанс этого теста был прерван${who ? ` (участник ${who})` : ''}, начат ${started}: ` +
      `ответов ${answered} из ${items}. Продолжить его?`,
    thanks: 'Тест окончен. Спасибо.',
    saving: 'Ответы сохраняются...',
    saved: 'Тест окончен, ответы сохранены. Спасибо.',
    savingLost: 'Ответы сохраняются: сервер лаборатории сейчас недоступен. Пожалуйста, не закрывайте страницу, она продолжает попытки.',
    elsewhere: 'Этот тест уже открыт в другой вкладке или другом окне этого браузера. Продолжайте там или закройте его: ' +
      'тогда эта страница продолжит сама.',
    noServer: 'Сервер лаборатории недоступен, поэтому ответы не могли бы сохраниться. Тест не начат. ' +
      'Проверьте подключение к интернету и перезагрузите страницу.',
    badSettings: (url) => `Страница настроена неверно: «${url}» не адрес для отправки ответов. Сообщите, пожалуйста, в лабораторию.`,
    badParticipant: (id) => `Код участника в адресе страницы («${id}») неверен: нужно от 1 до 32 латинских букв, ` +
      'цифр или знаков. Попросите, пожалуйста, в лаборатории правильную ссылку.',
    noKeyboard: 'Для теста нужна клавиатура: ответы вводятся цифровыми клавишами и клавишей Enter. ' +
      'Пожалуйста, откройте страницу на компьютере.',
    tooSmall: (w, h) => `Этот экран (${w}x${h} точек) слишком мал для изображения теста 640x480. ` +
      'Пожалуйста, откройте страницу на компьютере с экраном побольше.',
    notArchive: (name) => `«${name}» не архив теста. Выберите архив теста (.WDL).`,
    test: (label) => `Тест: ${label}`,
    fromFolder: (n) => `MERIDOKA.WDL из папки страницы, ${n} байт`,
    file: (name, n) => `${name}, ${n} байт`,
    another: 'Другой архив теста:', drop: 'или перетащите его на страницу.',
    kept: 'Файлы, хранящиеся в этом браузере',
    notLoaded: (why) => `Программу не удалось загрузить (${why}). Откройте страницу через веб-сервер.`,
    offline: 'Нет связи с сервером лаборатории: ответы сохранены и будут отправлены позже.',
  },
};
